// Parlo in the background on a desktop of the test's own: an X server (Qt hands status icons to
// the session bus on X11 and Wayland only) and a private session bus on which this test plays the
// status-icon watcher and the notification service, recording what Parlo asks of them.
#include "app/BackgroundParlo.h"
#include "main/parlo.h"
#include "platform/HostConfig.h"
#include "platform/RealHost.h"
#include "receive/frmMessage.h"

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMutex>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

namespace {

const QString desktopConnection = QStringLiteral("desktop");

// The X server and the session bus, started before the application so that Qt finds both.
struct Desktop
{
    QTemporaryDir home;
    QProcess display;
    QProcess bus;
    QString error;

    QString start()
    {
        for (const char *program : {"Xvfb", "dbus-daemon"}) {
            if (QStandardPaths::findExecutable(QLatin1String(program)).isEmpty())
                return QStringLiteral("%1 is not installed (Debian packages xvfb, dbus-daemon)").arg(program);
        }
        display.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1280x800x24"});
        if (!display.waitForReadyRead(10000))
            return QStringLiteral("Xvfb did not start: ") + QString::fromLocal8Bit(display.readAllStandardError());
        const QByteArray number = display.readLine().trimmed();
        const QString address = QStringLiteral("unix:path=") + home.filePath(QStringLiteral("bus"));
        bus.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address", "--address=" + address});
        if (!bus.waitForReadyRead(5000))
            return QStringLiteral("dbus-daemon did not start: ") + QString::fromLocal8Bit(bus.readAllStandardError());

        const QDir dir(home.path());
        for (const char *folder : {"spool", "runtime", "config", "data"})
            dir.mkpath(QLatin1String(folder));
        QFile::setPermissions(dir.filePath("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("DISPLAY", ":" + number);
        qputenv("QT_QPA_PLATFORM", "xcb");
        qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.filePath("runtime")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath("config")));
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath("data")));
        qputenv("PARLO_SPOOL", QFile::encodeName(dir.filePath("spool")));
        qunsetenv("WAYLAND_DISPLAY");
        return {};
    }

    ~Desktop()
    {
        for (QProcess *process : {&bus, &display}) {
            process->terminate();
            if (!process->waitForFinished(5000))
                process->kill();
            process->waitForFinished(2000);
        }
    }
};

Desktop *desktop = nullptr;

// A message as parlo-deliver leaves it in the spool.
void deliver(const QString &sender, const QString &text)
{
    static int number = 0;
    ++number;
    const QString name = QStringLiteral("%1-1.msg").arg(number, 20, 10, QLatin1Char('0'));
    QFile file(desktop->home.filePath(QStringLiteral("spool/") + name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("from=" + sender.toUtf8() + "\nto=ME\ntime=2026-12-07T12:00:00Z\n\n" + text.toUtf8());
}

// The item labelled label in a menu's layout (id, properties, children), or -1.
int itemLabelled(const QDBusArgument &layout, const QString &label)
{
    int id = -1;
    QVariantMap properties;
    layout.beginStructure();
    layout >> id >> properties;
    int found = properties.value(QStringLiteral("label")).toString() == label ? id : -1;
    layout.beginArray();
    while (!layout.atEnd()) {
        QDBusVariant child;
        layout >> child;
        if (const int inChild = itemLabelled(child.variant().value<QDBusArgument>(), label); found < 0)
            found = inChild;
    }
    layout.endArray();
    layout.endStructure();
    return found;
}

} // namespace

// The desktop's side of status icons: it keeps the services that registered one. Qt asks it
// with calls that block, so it answers from a thread of its own.
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

// The notification service, with actions: it keeps what it was asked to show and emits what the
// user does with it.
class NotificationService final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Shown
    {
        QString summary;
        QStringList actions;
    };
    QList<Shown> shown;

public Q_SLOTS:
    uint Notify(const QString &, uint, const QString &, const QString &summary, const QString &,
                const QStringList &actions, const QVariantMap &, int)
    {
        shown.append({summary, actions});
        return uint(shown.size());
    }
    void CloseNotification(uint) {}
    QStringList GetCapabilities() const { return {QStringLiteral("body"), QStringLiteral("actions")}; }

Q_SIGNALS:
    void ActionInvoked(uint id, const QString &key);
    void ActivationToken(uint id, const QString &token);
    void NotificationClosed(uint id, uint reason);
};

class tst_BackgroundParlo : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        if (!desktop->error.isEmpty())
            QSKIP(qPrintable(desktop->error));
        QDBusConnection bus =
            QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), desktopConnection);
        const auto exportsAll =
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals | QDBusConnection::ExportAllProperties;
        QVERIFY2(
            bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), m_watcher, exportsAll) &&
                bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")) &&
                bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &m_notifications, exportsAll) &&
                bus.registerService(QStringLiteral("org.freedesktop.Notifications")),
            qPrintable(bus.lastError().message()));
        m_watcher->moveToThread(&m_watcherThread);
        m_watcherThread.start();

        m_host = std::make_unique<RealHost>(HostConfig::forApplication());
        m_parlo = std::make_unique<BackgroundParlo>(*m_host, WindowMakers{});
        QCOMPARE(m_parlo->start(), QString());
    }

    void iconRegistersAndOpensTheMainWindow()
    {
        QTRY_COMPARE(m_watcher->items().size(), 1);
        QVERIFY(!m_parlo->mainWindow().isVisible());
        QDBusMessage activate =
            QDBusMessage::createMethodCall(m_watcher->items().at(0), QStringLiteral("/StatusNotifierItem"),
                                           QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Activate"));
        activate << 0 << 0;
        QDBusConnection(desktopConnection).call(activate, QDBus::NoBlock);
        QTRY_VERIFY(m_parlo->mainWindow().isVisible());
    }

    void notificationActions()
    {
        const struct
        {
            const char *key;
            const char *token;
        } rows[] = {{"reply", "token-1"}, {"open", ""}, {"default", "token-3"}};
        for (const auto &row : rows) {
            const QString key = QLatin1String(row.key);
            const QString sender = QStringLiteral("SENDER-") + key.toUpper();
            m_parlo->mainWindow().hide();
            const qsizetype before = m_notifications.shown.size();
            deliver(sender, QStringLiteral("from ") + key);
            QTRY_COMPARE(m_notifications.shown.size(), before + 1);
            const NotificationService::Shown &shown = m_notifications.shown.last();
            QVERIFY2(shown.summary.contains(sender), qPrintable(shown.summary));
            QVERIFY2(shown.actions.contains(key), qPrintable(shown.actions.join(u' ')));
            QVERIFY2(m_parlo->icon().toolTip().contains(u"unread"), qPrintable(m_parlo->icon().toolTip()));
            frmMessage *popup = visiblePopup();
            QVERIFY(popup);
            popup->hide();

            const uint id = uint(m_notifications.shown.size());
            if (*row.token)
                Q_EMIT m_notifications.ActivationToken(id, QLatin1String(row.token));
            Q_EMIT m_notifications.ActionInvoked(id, key);
            if (key == u"reply") {
                parlo &window = m_parlo->mainWindow();
                QTRY_VERIFY(window.isVisible());
                QCOMPARE(window.findChild<QLineEdit *>(QStringLiteral("txtno"))->text(), sender);
                QCOMPARE(window.focusWidget(), window.findChild<QPlainTextEdit *>(QStringLiteral("txtmsg")));
            } else {
                QTRY_VERIFY2(popup->isVisible(), row.key);
                popup->close();
            }
            QCOMPARE(qgetenv("XDG_ACTIVATION_TOKEN"), QByteArray(*row.token ? row.token : "token-1"));
        }
    }

    void parloStartedBesideOpensThisOne()
    {
        m_parlo->mainWindow().hide();
        QProcess other;
        other.setProcessChannelMode(QProcess::MergedChannels);
        other.start(QStringLiteral(PARLO_PROGRAM), QStringList());
        // This process answers it, so nothing here may block while it asks.
        QTRY_COMPARE_WITH_TIMEOUT(other.state(), QProcess::NotRunning, 10000);
        QVERIFY2(other.exitStatus() == QProcess::NormalExit && other.exitCode() == 0, other.readAll().constData());
        QTRY_VERIFY(m_parlo->mainWindow().isVisible());
    }

    void startAtLoginFromTheIconsMenu()
    {
        QTRY_COMPARE(m_watcher->items().size(), 1);
        const QString file = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/autostart/parlo.desktop");
        const auto menuCall = [this](const QString &method, const QVariantList &arguments) {
            QDBusMessage call = QDBusMessage::createMethodCall(m_watcher->items().at(0), QStringLiteral("/MenuBar"),
                                                               QStringLiteral("com.canonical.dbusmenu"), method);
            call.setArguments(arguments);
            return QDBusConnection(desktopConnection).asyncCall(call, 5000);
        };
        QDBusPendingCallWatcher layout(menuCall(QStringLiteral("GetLayout"), {0, -1, QStringList{"label"}}));
        QTRY_VERIFY(layout.isFinished());
        QVERIFY2(!layout.isError(), qPrintable(layout.error().message()));
        const int item = itemLabelled(layout.reply().arguments().at(1).value<QDBusArgument>(), "Start at login");
        QVERIFY(item > 0);

        for (const bool enabled : {true, false}) {
            menuCall(QStringLiteral("AboutToShow"), {0});
            menuCall(QStringLiteral("Event"),
                     {item, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
            QTRY_COMPARE(QFile::exists(file), enabled);
        }
    }

    // A picture for the README, when PARLO_SCREENSHOTS names a folder: the icon on a panel, with
    // the number of unread messages, and its menu open below it.
    void picture()
    {
        if (!qEnvironmentVariableIsSet("PARLO_SCREENSHOTS"))
            QSKIP("PARLO_SCREENSHOTS is not set");
        deliver(QStringLiteral("RECEPTION"), QStringLiteral("Your parcel has arrived."));
        QTRY_VERIFY(m_parlo->icon().toolTip().contains(u"unread"));
        QMenu *menu = m_parlo->icon().contextMenu();
        menu->popup({0, 0});
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        const QPixmap shown = menu->grab();
        const int panel = 32;
        QPixmap picture(shown.width() + 48, shown.height() + panel);
        picture.fill(QColor(0xf6, 0xf5, 0xf4));
        QPainter painter(&picture);
        painter.fillRect(0, 0, picture.width(), panel, QColor(0x24, 0x1f, 0x31));
        painter.drawPixmap(picture.width() - 40, 4, m_parlo->icon().icon().pixmap(24, 24));
        painter.drawPixmap(picture.width() - 8 - shown.width(), panel, shown);
        painter.end();
        menu->hide();
        QVERIFY(picture.save(QDir(qEnvironmentVariable("PARLO_SCREENSHOTS")).filePath("status-icon.png")));
    }

    void cleanupTestCase()
    {
        m_parlo.reset();
        QDBusConnection bus(desktopConnection);
        bus.unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
        bus.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
        QDBusConnection::disconnectFromBus(desktopConnection);
        m_watcher->deleteLater(); // in its thread, as it ends
        m_watcherThread.quit();
        m_watcherThread.wait();
    }

private:
    static frmMessage *visiblePopup()
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *popup = qobject_cast<frmMessage *>(widget); popup && popup->isVisible())
                return popup;
        }
        return nullptr;
    }

    StatusIconWatcher *m_watcher = new StatusIconWatcher;
    QThread m_watcherThread;
    NotificationService m_notifications;
    std::unique_ptr<RealHost> m_host;
    std::unique_ptr<BackgroundParlo> m_parlo;
};

int main(int argc, char *argv[])
{
    Desktop own;
    desktop = &own;
    own.error = own.start();
    if (!own.error.isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    tst_BackgroundParlo test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_backgroundparlo.moc"
