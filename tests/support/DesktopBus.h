#pragma once

// A session bus of a test's own, and on it the desktop's services as far as Parlo uses them.

#include <QDBusConnection>
#include <QDBusError>
#include <QMutex>
#include <QProcess>
#include <QStringList>
#include <QVariantMap>

// Ends a process the test started: asked first, then killed.
inline void endProcess(QProcess &process)
{
    process.terminate();
    if (!process.waitForFinished(5000))
        process.kill();
    process.waitForFinished(2000);
}

// dbus-daemon with its standard session configuration, listening at socket.
struct PrivateBus
{
    QProcess daemon;
    QString address;

    // "" once it listens, else why not.
    QString start(const QString &socket)
    {
        address = QStringLiteral("unix:path=") + socket;
        daemon.start(QStringLiteral("dbus-daemon"),
                     {"--session", "--nofork", "--print-address", "--address=" + address});
        return daemon.waitForReadyRead(5000) ? QString()
                                             : QStringLiteral("dbus-daemon: ") + daemon.readAllStandardError();
    }

    // Puts service at path on a connection of its own, named name; "" when done, else why not.
    QString offer(const QString &name, const QString &service, const QString &path, QObject *object) const
    {
        QDBusConnection bus = QDBusConnection::connectToBus(address, name);
        const auto everything =
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals | QDBusConnection::ExportAllProperties;
        return bus.registerObject(path, object, everything) && bus.registerService(service) ? QString()
                                                                                            : bus.lastError().message();
    }

    ~PrivateBus() { endProcess(daemon); }
};

// The notification server: it keeps what it was asked to show and emits what the user does.
class NotificationService final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Shown
    {
        QString summary;
        QString body;
        QStringList actions; // key, label, key, label...
    };
    QList<Shown> shown;
    QStringList capabilities = {QStringLiteral("body"), QStringLiteral("actions")};

public Q_SLOTS:
    uint Notify(const QString &, uint, const QString &, const QString &summary, const QString &body,
                const QStringList &actions, const QVariantMap &, int)
    {
        shown.append({summary, body, actions});
        return uint(shown.size());
    }
    void CloseNotification(uint) {}
    QStringList GetCapabilities() const { return capabilities; }

Q_SIGNALS:
    void ActionInvoked(uint id, const QString &key);
    void ActivationToken(uint id, const QString &token);
    void NotificationClosed(uint id, uint reason);
};

// The desktop's side of status icons: it keeps the services that registered one. Qt asks it with
// calls that block, so it must answer from a thread other than the icon's.
class StatusIconWatcher final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
public:
    QStringList items() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_items;
    }
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString &service)
    {
        const QMutexLocker lock(&m_mutex);
        m_items.append(service);
    }
    void RegisterStatusNotifierHost(const QString &) {}

private:
    mutable QMutex m_mutex;
    QStringList m_items;
};
