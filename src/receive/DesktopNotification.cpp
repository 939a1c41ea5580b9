#include "DesktopNotification.h"

#include "platform/SessionBus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");

QDBusMessage serviceCall(const QString &method)
{
    return QDBusMessage::createMethodCall(service, path, service, method);
}

// The reason NotificationClosed gives when the user dismissed the notification.
constexpr uint dismissedByUser = 2;

} // namespace

DesktopNotifications &DesktopNotifications::instance()
{
    static DesktopNotifications notifications;
    return notifications;
}

bool DesktopNotifications::serviceRuns()
{
    if (!sessionBusExists())
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(service).value())
        return false;
    if (!m_listening) {
        // D-Bus signals connect by their signatures only.
        m_listening = bus.connect(service, path, service, QStringLiteral("ActionInvoked"), this,
                                  SLOT(ActionInvoked(uint, QString))) &&
                      bus.connect(service, path, service, QStringLiteral("NotificationClosed"), this,
                                  SLOT(NotificationClosed(uint, uint))) &&
                      bus.connect(service, path, service, QStringLiteral("ActivationToken"), this,
                                  SLOT(ActivationToken(uint, QString)));
    }
    return true;
}

void DesktopNotifications::notify(const QString &title, const QString &body, const QList<NotificationAction> &actions,
                                  uint replaces, const std::function<void(uint)> &shown)
{
    if (!serviceRuns())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    // A server that reads the body as markup would take a message's "<" and "&" for tags and
    // entities; for it the text is escaped. The answer comes later, so nothing waits for it.
    auto *capabilities =
        new QDBusPendingCallWatcher(bus.asyncCall(serviceCall(QStringLiteral("GetCapabilities")), 5000));
    connect(capabilities, &QDBusPendingCallWatcher::finished, capabilities,
            [title, body, actions, replaces, shown](QDBusPendingCallWatcher *answer) {
                const QDBusPendingReply<QStringList> reply = *answer;
                answer->deleteLater();
                const QStringList offered = reply.isValid() ? reply.value() : QStringList();
                QStringList pairs;
                if (offered.contains(QStringLiteral("actions"))) {
                    for (const NotificationAction &action : actions)
                        pairs << action.key << action.label;
                }
                QDBusMessage notify = serviceCall(QStringLiteral("Notify"));
                notify << QStringLiteral("Parlo") << replaces << QStringLiteral("parlo") << title
                       << (offered.contains(QStringLiteral("body-markup")) ? body.toHtmlEscaped() : body) << pairs
                       << QVariantMap() << -1;
                QDBusConnection bus = QDBusConnection::sessionBus();
                if (!shown) {
                    bus.call(notify, QDBus::NoBlock);
                    return;
                }
                auto *sent = new QDBusPendingCallWatcher(bus.asyncCall(notify, 5000));
                connect(sent, &QDBusPendingCallWatcher::finished, sent, [shown](QDBusPendingCallWatcher *watcher) {
                    const QDBusPendingReply<uint> number = *watcher;
                    shown(number.isValid() ? number.value() : 0u);
                    watcher->deleteLater();
                });
            });
}

void DesktopNotifications::close(uint id)
{
    if (id == 0 || !serviceRuns())
        return;
    QDBusMessage close = serviceCall(QStringLiteral("CloseNotification"));
    close << id;
    QDBusConnection::sessionBus().call(close, QDBus::NoBlock);
}

void DesktopNotifications::ActionInvoked(uint id, const QString &key)
{
    Q_EMIT actionInvoked(id, key, m_tokens.take(id));
}

void DesktopNotifications::NotificationClosed(uint id, uint reason)
{
    m_tokens.remove(id);
    if (reason == dismissedByUser)
        Q_EMIT dismissed(id);
}

// Sent just before ActionInvoked by servers that hand out activation tokens.
void DesktopNotifications::ActivationToken(uint id, const QString &token)
{
    if (m_tokens.size() < 64)
        m_tokens.insert(id, token.left(512));
}

void notifyDesktop(const QString &title, const QString &body, uint replaces, const std::function<void(uint)> &shown)
{
    DesktopNotifications::instance().notify(title, body, {}, replaces, shown);
}

void closeNotification(uint id)
{
    DesktopNotifications::instance().close(id);
}
