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

QDBusMessage serviceCall(const QString &method)
{
    return QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/Notifications"), service, method);
}

void notify(const QString &title, const QString &body, uint replaces, const std::function<void(uint)> &shown)
{
    QDBusMessage notify = serviceCall(QStringLiteral("Notify"));
    notify << QStringLiteral("Parlo") << replaces << QStringLiteral("parlo") << title << body << QStringList()
           << QVariantMap() << -1;
    if (!shown) {
        QDBusConnection::sessionBus().call(notify, QDBus::NoBlock);
        return;
    }
    auto *answer = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(notify, 5000));
    QObject::connect(answer, &QDBusPendingCallWatcher::finished, answer, [shown](QDBusPendingCallWatcher *watcher) {
        const QDBusPendingReply<uint> reply = *watcher;
        shown(reply.isValid() ? reply.value() : 0u);
        watcher->deleteLater();
    });
}

bool serviceRuns()
{
    if (!sessionBusExists())
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface()->isServiceRegistered(service).value();
}

} // namespace

void notifyDesktop(const QString &title, const QString &body, uint replaces, const std::function<void(uint)> &shown)
{
    if (!serviceRuns())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    // A server that reads the body as markup would take a message's "<" and "&" for tags and
    // entities; for it the text is escaped. The answer comes later, so nothing waits for it.
    auto *capabilities =
        new QDBusPendingCallWatcher(bus.asyncCall(serviceCall(QStringLiteral("GetCapabilities")), 5000));
    QObject::connect(capabilities, &QDBusPendingCallWatcher::finished, capabilities,
                     [title, body, replaces, shown](QDBusPendingCallWatcher *answer) {
                         const QDBusPendingReply<QStringList> reply = *answer;
                         const bool markup = reply.isValid() && reply.value().contains(QStringLiteral("body-markup"));
                         notify(title, markup ? body.toHtmlEscaped() : body, replaces, shown);
                         answer->deleteLater();
                     });
}

void closeNotification(uint id)
{
    if (id == 0 || !serviceRuns())
        return;
    QDBusMessage close = serviceCall(QStringLiteral("CloseNotification"));
    close << id;
    QDBusConnection::sessionBus().call(close, QDBus::NoBlock);
}
