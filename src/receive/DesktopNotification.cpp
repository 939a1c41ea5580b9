#include "DesktopNotification.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QVariantMap>

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");

// Without an address libdbus would try to start a bus of its own; only an existing one is used.
bool sessionBusExists()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

QDBusMessage serviceCall(const QString &method)
{
    return QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/Notifications"), service, method);
}

void notify(const QString &title, const QString &body)
{
    QDBusMessage notify = serviceCall(QStringLiteral("Notify"));
    notify << QStringLiteral("Parlo") << 0u << QStringLiteral("parlo") << title << body << QStringList()
           << QVariantMap() << -1;
    QDBusConnection::sessionBus().call(notify, QDBus::NoBlock);
}

} // namespace

void notifyDesktop(const QString &title, const QString &body)
{
    if (!sessionBusExists())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(service).value())
        return;
    // A server that reads the body as markup would take a message's "<" and "&" for tags and
    // entities; for it the text is escaped. The answer comes later, so nothing waits for it.
    auto *capabilities =
        new QDBusPendingCallWatcher(bus.asyncCall(serviceCall(QStringLiteral("GetCapabilities")), 5000));
    QObject::connect(capabilities, &QDBusPendingCallWatcher::finished, capabilities,
                     [title, body](QDBusPendingCallWatcher *answer) {
                         const QDBusPendingReply<QStringList> reply = *answer;
                         const bool markup = reply.isValid() && reply.value().contains(QStringLiteral("body-markup"));
                         notify(title, markup ? body.toHtmlEscaped() : body);
                         answer->deleteLater();
                     });
}
