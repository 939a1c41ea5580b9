#pragma once

#include "platform/Autostart.h"
#include "platform/InstanceChannel.h"
#include "ui/WindowMakers.h"

#include <QMenu>
#include <QPointer>
#include <QSystemTrayIcon>

#include <memory>

class HistoryWindow;
class MessagePopups;
class RealHost;
class parlo;

// Parlo without a window: it receives, shows its status icon with the number of unread
// messages, and opens its windows when asked: from the icon's menu, a notification, or a parlo
// started beside it. Closing the last window leaves it running; Quit ends it.
class BackgroundParlo final : public QObject
{
    Q_OBJECT
public:
    BackgroundParlo(RealHost &host, WindowMakers makers, QObject *parent = nullptr);
    ~BackgroundParlo() override;

    // Listens for other Parlos, shows the icon and starts receiving; "" when it runs, else why
    // it cannot (another background Parlo runs, or the place for the socket is not the user's).
    QString start();
    void handle(const InstanceRequest &request);

    // The main window, made on first use and kept while Parlo runs.
    parlo &mainWindow();
    void showHistory();
    QSystemTrayIcon &icon() { return m_icon; }

private:
    void showUnread(qsizetype count);

    RealHost &m_host;
    WindowMakers m_makers;
    InstanceListener m_listener;
    Autostart m_autostart;
    QSystemTrayIcon m_icon;
    QMenu m_menu;
    std::unique_ptr<parlo> m_main;
    QPointer<HistoryWindow> m_history;
    std::unique_ptr<MessagePopups> m_popups;
};
