#pragma once

#include "HistoryModel.h"

#include <QWidget>

#include <functional>

class QLineEdit;
class QPushButton;
class QTableView;

// Every message sent and received, newest first, filtered as the user types; Reply answers
// the selected message's sender (or its first recipient), Send again puts its recipient and
// text back into the main window.
class HistoryWindow final : public QWidget
{
    Q_OBJECT
public:
    using Reply = std::function<void(const QString &name)>;
    using SendAgain = std::function<void(const QString &recipient, const QString &text)>;

    HistoryWindow(const MessageHistory &history, Reply reply, SendAgain sendAgain, QWidget *parent = nullptr);

    HistoryModel &model() { return m_model; }

private:
    void filter();
    void updateButtons();
    const HistoryEntry *selected() const;

    HistoryModel m_model;
    Reply m_reply;
    SendAgain m_sendAgain;
    QLineEdit *txtFilter;
    QTableView *grdMessages;
    QPushButton *cmdReply;
    QPushButton *cmdSendAgain;
};
