// Parlo in the background on a desktop of the test's own: an X server (Qt hands status icons to
// the session bus on X11 and Wayland only) and a private session bus on which this test plays the
// status-icon watcher and the notification service, recording what Parlo asks of them.
#include "DesktopBus.h"
#include "app/BackgroundParlo.h"
#include "main/parlo.h"
#include "platform/HostConfig.h"
#include "platform/RealHost.h"
#include "receive/frmMessage.h"

#include <QApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

namespace {

const QString desktopConnection = QStringLiteral("desktop");

// The X server and the session bus, started before the application so that Qt finds both; and
// the user's folders.
struct Desktop
{
    QTemporaryDir home;
    QProcess display;
    PrivateBus bus;
    QString error;

    QString start()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
            return QStringLiteral("Xvfb is not installed (Debian package xvfb)");
        display.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1280x800x24"});
        if (!display.waitForReadyRead(10000))
            return QStringLiteral("Xvfb: ") + display.readAllStandardError();
        if (QString failed = bus.start(home.filePath(QStringLiteral("bus"))); !failed.isEmpty())
            return failed;
        qputenv("DISPLAY", ":" + display.readLine().trimmed());
        qputenv("QT_QPA_PLATFORM", "xcb");
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address.toUtf8());
        qputenv("HOME", QFile::encodeName(home.path()));
        for (const char *variable : {"XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "PARLO_SPOOL"}) {
            const QString folder = home.filePath(QLatin1String(variable));
            QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            qputenv(variable, QFile::encodeName(folder));
        }
        return {};
    }

    ~Desktop() { endProcess(display); }
};

Desktop *desktop = nullptr;

// A message as parlo-deliver leaves it in the spool.
void deliver(const QString &sender, const QString &text)
{
    static int number = 0;
    ++number;
    const QString name = QStringLiteral("%1-1.msg").arg(number, 20, 10, QLatin1Char('0'));
    QFile file(qEnvironmentVariable("PARLO_SPOOL") + u'/' + name);
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

class tst_BackgroundParlo : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        if (!desktop->error.isEmpty())
            QSKIP(qPrintable(desktop->error));
        for (const auto &[service, path, object] :
             {std::tuple<const char *, const char *, QObject *>{"org.kde.StatusNotifierWatcher",
                                                                "/StatusNotifierWatcher", m_watcher},
              {"org.freedesktop.Notifications", "/org/freedesktop/Notifications", &m_notifications}}) {
            const QString failed =
                desktop->bus.offer(desktopConnection, QLatin1String(service), QLatin1String(path), object);
            QVERIFY2(failed.isEmpty(), qPrintable(failed));
        }
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
        for (const char *row : {"reply", "open", "default"}) {
            const QString key = QLatin1String(row);
            const QString sender = QStringLiteral("SENDER-") + key.toUpper();
            m_parlo->mainWindow().hide();
            const qsizetype before = m_notifications.shown.size();
            deliver(sender, QStringLiteral("from ") + key);
            QTRY_COMPARE(m_notifications.shown.size(), before + 1);
            const NotificationService::Shown &shown = m_notifications.shown.last();
            QVERIFY2(shown.summary.contains(sender), qPrintable(shown.summary));
            QVERIFY2(shown.actions.contains(key), qPrintable(shown.actions.join(u' ')));
            QVERIFY2(m_parlo->icon().toolTip().contains(u"unread"), qPrintable(m_parlo->icon().toolTip()));
            frmMessage *popup = nullptr;
            for (QWidget *widget : QApplication::topLevelWidgets())
                popup = widget->isVisible() && qobject_cast<frmMessage *>(widget) ? static_cast<frmMessage *>(widget)
                                                                                  : popup;
            QVERIFY(popup);
            popup->hide();

            const uint id = uint(m_notifications.shown.size());
            Q_EMIT m_notifications.ActivationToken(id, QStringLiteral("token-") + key);
            Q_EMIT m_notifications.ActionInvoked(id, key);
            if (key == u"reply") {
                parlo &window = m_parlo->mainWindow();
                QTRY_VERIFY(window.isVisible());
                QCOMPARE(window.findChild<QLineEdit *>(QStringLiteral("txtno"))->text(), sender);
                QCOMPARE(window.focusWidget(), window.findChild<QPlainTextEdit *>(QStringLiteral("txtmsg")));
            } else {
                QTRY_VERIFY2(popup->isVisible(), row);
                popup->close();
            }
            QCOMPARE(qEnvironmentVariable("XDG_ACTIVATION_TOKEN"), QStringLiteral("token-") + key);
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
        QDBusConnection::disconnectFromBus(desktopConnection);
        m_watcher->deleteLater(); // in its thread, as it ends
        m_watcherThread.quit();
        m_watcherThread.wait();
    }

private:
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
