#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

// A button of a notification: the key the service reports when it is chosen, and its label.
// The key "default" is the notification itself being clicked, and has no label.
struct NotificationAction
{
    QString key;
    QString label;
};

// The desktop's notification service on the session bus, when one runs; without a session bus
// or a service every call does nothing, without waiting.
class DesktopNotifications final : public QObject
{
    Q_OBJECT
public:
    // The one of the program, listening to the service from its first use.
    static DesktopNotifications &instance();

    // Shows title and body, replacing the notification numbered replaces (0: none); shown, when
    // the service answers, tells its number (0 when it failed). The actions are offered where the
    // service shows actions; where it shows none, shown gets the number all the same.
    void notify(const QString &title, const QString &body, const QList<NotificationAction> &actions = {},
                uint replaces = 0, const std::function<void(uint)> &shown = {});
    // Takes the notification with that number off the screen.
    void close(uint id);

Q_SIGNALS:
    // The user chose an action of notification id; token, when the service gave one, lets the
    // window that answers it take the focus (xdg-activation).
    void actionInvoked(uint id, const QString &key, const QString &token);
    // The user dismissed notification id.
    void dismissed(uint id);

private Q_SLOTS:
    // The service's signals, by their D-Bus names.
    void ActionInvoked(uint id, const QString &key);
    void NotificationClosed(uint id, uint reason);
    void ActivationToken(uint id, const QString &token);

private:
    DesktopNotifications() = default;
    bool serviceRuns();

    bool m_listening = false;
    QHash<uint, QString> m_tokens;
};

// DesktopNotifications::instance().notify() without actions, and close().
void notifyDesktop(const QString &title, const QString &body, uint replaces = 0,
                   const std::function<void(uint)> &shown = {});
void closeNotification(uint id);
