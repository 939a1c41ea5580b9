#include "MessagePopups.h"

#include "DesktopNotification.h"
#include "frmMessage.h"
#include "platform/SessionBus.h"

#include <QFileInfo>
#include <QTimer>

MessagePopups::MessagePopups(const ReceivePlaces &places, std::unique_ptr<ReceiptBook> receipts, Reply reply,
                             MessageHistory &history, QObject *parent)
    : QObject(parent), m_spoolFolder(places.spool), m_spool(places.spool), m_receipts(std::move(receipts)),
      m_lock(places.lock), m_reply(std::move(reply)), m_history(history)
{
    m_show.setSingleShot(true);
    m_show.setInterval(0);
    connect(&m_show, &QTimer::timeout, this, &MessagePopups::showWaiting);
    connect(&m_spool, &MessageSpool::arrived, this, &MessagePopups::enqueue);
    DesktopNotifications &notifications = DesktopNotifications::instance();
    connect(&notifications, &DesktopNotifications::actionInvoked, this, &MessagePopups::notificationAction);
    connect(&notifications, &DesktopNotifications::dismissed, this, &MessagePopups::notificationDismissed);
}

MessagePopups::~MessagePopups()
{
    delete m_next.data();
    closeNotification(m_waitingNotification);
}

bool MessagePopups::start()
{
    if (!QFileInfo(m_spoolFolder).isDir())
        return false; // Samba's receiving is not set up here
    if (!m_lock.tryLock()) {
        if (!m_lock.error().isEmpty())
            qWarning("Parlo: cannot take the receiver's lock %s", qUtf8Printable(m_lock.error()));
        return false; // another Parlo of this user receives
    }
    QTimer::singleShot(0, this, &MessagePopups::prepareNext);
    return m_spool.start();
}

// The receipts are read when the first message comes, not at start: where none comes, the store
// module that keeps them (and Qt SQL with it) is never loaded.
void MessagePopups::readReceipts()
{
    if (m_receiptsRead)
        return;
    m_receiptsRead = true;
    if (const QString error = m_receipts->open(); !error.isEmpty())
        qWarning("Parlo: messages will be shown again at every start: %s", qUtf8Printable(error));
    m_acknowledged = m_receipts->acknowledged();
    const QSet<QString> present = m_spool.messageNames();
    m_receipts->keepOnly(present);
    m_acknowledged.intersect(present);
}

void MessagePopups::enqueue(const QString &name)
{
    readReceipts();
    if (m_acknowledged.contains(name) || m_taken.contains(name))
        return;
    m_taken.insert(name);
    m_waiting.enqueue(name);
    m_show.start(); // once a turn, for all that arrive in it
}

// Opens pop-ups for the oldest waiting messages while there is room.
void MessagePopups::showWaiting()
{
    m_open.removeIf([](const QPointer<frmMessage> &popup) { return popup.isNull(); });
    // A bounded number of reads a turn, however many of the waiting turn out to be no messages.
    for (int reads = 0; m_open.size() < maxOpen && !m_waiting.isEmpty(); ++reads) {
        if (reads == readsPerTurn) {
            m_show.start();
            break;
        }
        const QString name = m_waiting.dequeue();
        const std::optional<SpoolMessage> message = m_spool.read(name);
        if (!message) {
            m_taken.remove(name);
            continue;
        }
        frmMessage *popup = m_next ? m_next.data() : new frmMessage;
        m_next = nullptr;
        popup->setMessage(*message);
        connect(popup, &frmMessage::replyRequested, this, [this](const QString &sender) { m_reply(sender); });
        connect(popup, &frmMessage::acknowledged, this, [this, name, popup] { acknowledge(name, popup); });
        popup->show();
        popup->raise();
        // Kept once the pop-up is on its way to the screen: the record does not hold it up.
        QTimer::singleShot(0, this, [this, sender = message->sender.toUpper(), text = message->text, name] {
            m_history.recordReceived(sender, text, name);
        });
        m_open.append(popup);
        const QList<NotificationAction> actions = {{QStringLiteral("reply"), QStringLiteral("Reply")},
                                                   {QStringLiteral("open"), QStringLiteral("Open")},
                                                   {QStringLiteral("default"), QString()}};
        DesktopNotifications::instance().notify(
            messageHeading(*message), visibleText(message->text), actions, 0,
            [self = QPointer<MessagePopups>(this), popup = QPointer(popup)](uint id) {
                if (self && popup && id != 0)
                    self->m_notified.insert(id, popup);
                else
                    closeNotification(id); // its pop-up went meanwhile
            });
    }
    updateWaiting();
}

// Making the pop-up's widgets and window is most of the time from a message's arrival to its
// pop-up on the screen. Not while one is open, whose first drawing would wait for it.
void MessagePopups::prepareNext()
{
    m_open.removeIf([](const QPointer<frmMessage> &popup) { return popup.isNull(); });
    if (m_next || !m_open.isEmpty())
        return;
    m_next = new frmMessage;
    m_next->winId(); // the window on the X server, unmapped
}

void MessagePopups::acknowledge(const QString &name, frmMessage *popup)
{
    if (!m_receipts->acknowledge(name))
        qWarning("Parlo: cannot record that %s was seen; it will be shown again", qUtf8Printable(name));
    m_acknowledged.insert(name);
    m_taken.remove(name);
    m_open.removeAll(popup);
    Q_EMIT unreadChanged(unread());
    // Seen in one place is seen: its notification goes too.
    for (auto it = m_notified.begin(); it != m_notified.end();) {
        if (it.value() == popup || it.value().isNull()) {
            closeNotification(it.key());
            it = m_notified.erase(it);
        } else {
            ++it;
        }
    }
    // After the close has finished, so that the next pop-up comes in front of what it uncovers.
    QTimer::singleShot(0, this, [this] {
        showWaiting();
        prepareNext();
    });
}

qsizetype MessagePopups::unread() const
{
    return std::count_if(m_open.cbegin(), m_open.cend(), [](const QPointer<frmMessage> &popup) { return popup; }) +
           m_waiting.size();
}

// The newest pop-up says how many wait; so does one notification, replaced as the count changes.
void MessagePopups::updateWaiting()
{
    Q_EMIT unreadChanged(unread());
    for (qsizetype i = 0; i < m_open.size(); ++i) {
        if (m_open[i])
            m_open[i]->setWaiting(i + 1 == m_open.size() ? m_waiting.size() : 0);
    }
    notifyWaiting();
}

// One call at a time: the next one replaces the notification by the number this one gets.
void MessagePopups::notifyWaiting()
{
    const qsizetype count = m_waiting.size();
    if (m_waitingNotificationPending || count == m_waitingNotified)
        return;
    m_waitingNotified = count;
    if (count == 0) {
        closeNotification(m_waitingNotification);
        m_waitingNotification = 0;
        return;
    }
    m_waitingNotificationPending = true;
    notifyDesktop(QStringLiteral("Parlo"), waitingText(count), m_waitingNotification,
                  [self = QPointer<MessagePopups>(this)](uint id) {
                      if (!self) {
                          closeNotification(id);
                          return;
                      }
                      self->m_waitingNotification = id;
                      self->m_waitingNotificationPending = false;
                      self->notifyWaiting(); // the count may have changed meanwhile
                  });
}

// Reply and OK (a dismissed notification) do what the pop-up's buttons do; Open, or a click on
// the notification, brings the pop-up to the front.
void MessagePopups::notificationAction(uint id, const QString &key, const QString &token)
{
    const QPointer<frmMessage> popup = m_notified.value(id);
    if (!popup)
        return;
    useActivationToken(token);
    if (key == u"reply") {
        popup->chooseReply();
    } else if (key == u"open" || key == u"default") {
        popup->show();
        popup->raise();
        popup->activateWindow();
    }
}

void MessagePopups::notificationDismissed(uint id)
{
    if (const QPointer<frmMessage> popup = m_notified.take(id))
        popup->chooseOK();
}
