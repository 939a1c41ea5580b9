// Two Parlo instances on one machine: this test's main window sends to 127.0.0.1, where a
// private smbd hands each message to the built parlo-deliver, and the built parlo program,
// started with folders of its own, shows it. That program is seen only from outside: the spool
// it empties and the desktop notifications it sends to this test over a private session bus.
// Everything runs in network, host name and name service namespaces of the test's own, so port
// 139 is free and the sender's name is known.
#include "DesktopBus.h"
#include "PrivateNetwork.h"
#include "ProcessTable.h"
#include "ReceiveTesting.h"
#include "SambaReceiver.h"
#include "TestFiles.h"

#include <QApplication>
#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {
QString namespaceError;
} // namespace

class tst_ReceiveProcess : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        if (namespaceError == u"needs root")
            QSKIP("a network namespace of the test's own needs root");
        QVERIFY2(namespaceError.isEmpty(), qPrintable(namespaceError));
        if (!SambaReceiver::available() || QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            QSKIP("smbd or dbus-daemon is not installed (Debian packages samba, dbus-daemon)");
        const QDir dir(m_temp.path());
        for (const char *folder : {"spool", "home", "runtime"})
            QVERIFY(dir.mkpath(QLatin1String(folder)));
        QVERIFY(QFile::setPermissions(dir.filePath("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

        // A session bus of the test's own, where it is the notification server.
        QVERIFY2(m_bus.start(dir.filePath("bus")).isEmpty(), qPrintable(m_bus.daemon.readAllStandardError()));
        const QString offered = m_bus.offer(QStringLiteral("notifications"), "org.freedesktop.Notifications",
                                            "/org/freedesktop/Notifications", &m_service);
        QVERIFY2(offered.isEmpty(), qPrintable(offered));

        m_smbd = std::make_unique<SambaReceiver>(QStringLiteral("127.0.0.1"), true, QString(), deliverCommand(m_spool));
        QVERIFY2(m_smbd->isReady(), qPrintable(m_smbd->error()));
        m_sender = std::make_unique<SendingParlo>(dir.filePath("sender"));

        // Its settings, data and cache all under a home of its own.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
            environment.remove(QLatin1String(variable));
        environment.insert(QStringLiteral("HOME"), dir.filePath("home"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.filePath("runtime"));
        environment.insert(QStringLiteral("PARLO_SPOOL"), m_spool);
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_bus.address);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_receiving.setProcessEnvironment(environment);
        m_receiving.setProcessChannelMode(QProcess::MergedChannels);
        m_receiving.setStandardOutputFile(dir.filePath("parlo.out"));
        m_receiving.start(QStringLiteral(PARLO_PROGRAM), QStringList());
        QVERIFY2(m_receiving.waitForStarted(5000), qPrintable(m_receiving.errorString()));
    }

    // The body goes plain, or as markup where the server reads it; only the second text has what
    // markup would read as tags and entities.
    void notificationCarriesWhatWasSent()
    {
        for (const bool markup : {false, true}) {
            const QString message = markup ? sentTexts.last().second : sentTexts.first().second;
            m_service.capabilities = markup ? QStringList{"body", "body-markup"} : QStringList{"body"};
            const qsizetype before = m_service.shown.size();
            const QString report = m_sender->send(QStringLiteral("127.0.0.1"), message);
            QVERIFY2(report.contains("successfully"), qPrintable(report));
            QTRY_VERIFY2_WITH_TIMEOUT(m_service.shown.size() > before,
                                      readFile(m_temp.filePath("parlo.out")).constData(), 15000);

            QCOMPARE(m_service.shown.size(), before + 1);
            const NotificationService::Shown shown = m_service.shown.last();
            QCOMPARE(shown.body, markup ? message.toHtmlEscaped() : message);
            // smbd passes the sending machine's name, and as the recipient the name it was called
            // by, here its own address, for "*SMBSERVER"; both shown in capitals.
            const QRegularExpression heading("^Message from PARLO-SENDER to 127\\.0\\.0\\.1 on \\S+");
            QVERIFY2(heading.match(shown.summary).hasMatch(), qPrintable(shown.summary));
        }
    }

    void cleanupTestCase()
    {
        const QList<qint64> started = livingDescendants(QCoreApplication::applicationPid());
        m_smbd.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("notifications"));
        endProcess(m_receiving);
        endProcess(m_bus.daemon);
        const QByteArray output = readFile(m_temp.filePath("parlo.out"));
        QVERIFY2(!output.contains("Sanitizer") && !output.contains("runtime error"), output.constData());
        QTRY_COMPARE_WITH_TIMEOUT(living(started), QList<qint64>(), 5000);
    }

private:
    QTemporaryDir m_temp;
    QString m_spool = m_temp.filePath(QStringLiteral("spool"));
    PrivateBus m_bus;
    QProcess m_receiving;
    NotificationService m_service;
    std::unique_ptr<SambaReceiver> m_smbd;
    std::unique_ptr<SendingParlo> m_sender;
};

int main(int argc, char *argv[])
{
    namespaceError = enterPrivateNetwork("parlo-sender.example");
    QApplication app(argc, argv);
    tst_ReceiveProcess test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_receive_process.moc"
