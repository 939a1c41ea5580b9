#pragma once

#include "MessageSpool.h"
#include "platform/Host.h"
#include "platform/ReceiptBook.h"
#include "platform/SessionLock.h"

#include <QHash>
#include <QPointer>
#include <QQueue>
#include <QTimer>

#include <functional>
#include <memory>

class frmMessage;

// Shows the messages of the spool in pop-ups (and desktop notifications), in the order they
// came, at most maxOpen at once; the others wait their turn, and the newest pop-up says how
// many wait. A message counts as seen when the user closes its pop-up: only then is it
// recorded, and until then it is shown again at every start. While no pop-up is open (after
// start, and after the user closed the last one), the next one is made ahead, native window and
// all, so that a message arriving then only has to be filled in and mapped.
class MessagePopups final : public QObject
{
    Q_OBJECT
public:
    using Reply = std::function<void(const QString &sender)>;
    static constexpr int maxOpen = 10;
    static constexpr int readsPerTurn = 64;

    // receipts keeps which messages the user has seen; it is opened when the spool first reports
    // a message. Each message shown goes to history, once.
    MessagePopups(const ReceivePlaces &places, std::unique_ptr<ReceiptBook> receipts, Reply reply,
                  MessageHistory &history = NoHistory::instance(), QObject *parent = nullptr);
    // The messages shown or waiting that the user has not yet seen.
    qsizetype unread() const;

Q_SIGNALS:
    void unreadChanged(qsizetype count);

public:
    ~MessagePopups() override;

    // Starts receiving; false when another Parlo of this user receives or there is no spool.
    bool start();

private:
    void readReceipts();
    void enqueue(const QString &name);
    void showWaiting();
    void acknowledge(const QString &name, frmMessage *popup);
    void updateWaiting();
    void notifyWaiting();
    void prepareNext();
    void notificationAction(uint id, const QString &key, const QString &token);
    void notificationDismissed(uint id);

    QString m_spoolFolder;
    MessageSpool m_spool;
    std::unique_ptr<ReceiptBook> m_receipts;
    bool m_receiptsRead = false;
    SessionLock m_lock;
    Reply m_reply;
    MessageHistory &m_history;
    QSet<QString> m_acknowledged;
    QSet<QString> m_taken; // open or waiting
    QQueue<QString> m_waiting;
    QList<QPointer<frmMessage>> m_open;
    QTimer m_show;
    QPointer<frmMessage> m_next;                  // hidden, for the next message
    QHash<uint, QPointer<frmMessage>> m_notified; // each open pop-up by its notification's number
    uint m_waitingNotification = 0;
    qsizetype m_waitingNotified = 0; // the count it shows
    bool m_waitingNotificationPending = false;
};
