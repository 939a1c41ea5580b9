#include "Fakes.h"
#include "browser/BrowserMakers.h"
#include "main/parlo.h"
#include "platform/ChildContract.h"
#include "platform/DebianPackages.h"
#include "platform/HostConfig.h"
#include "platform/QtSettings.h"
#include "platform/WebEngineSetup.h"
#include "whois/WhoisMakers.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

// Whether a library whose file name starts with prefix is mapped into process pid.
bool mapped(qint64 pid, const QByteArray &prefix)
{
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains('/' + prefix);
}

} // namespace

class tst_browsermodule : public QObject
{
    Q_OBJECT
public:
    static void initMain()
    {
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --disable-background-networking "
                                              "--disable-component-update --no-proxy-server");
        qunsetenv(WebEngineSetup::disableSandboxVariable);
        WebEngineSetup::prepareProcess();
        QStandardPaths::setTestModeEnabled(true);
    }

private Q_SLOTS:
    void init()
    {
        m_temp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_temp->isValid());
        m_fake = std::make_unique<FakeHost>(m_temp->path());
    }

    void startWithoutBrowserMapsNoEngine()
    {
        // The program saves a picture of its main window and quits; until then its maps are read
        // over and over.
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_DATA_HOME", m_temp->filePath("data"));
        environment.insert("XDG_CONFIG_HOME", m_temp->filePath("config"));
        program.setProcessEnvironment(environment);
        const QString picture = m_temp->filePath("main.png");
        program.start(PARLO_PROGRAM, {"--screenshot", picture});
        QVERIFY(program.waitForStarted());
        bool windowSystem = false;
        bool loadedLate = false; // what only the browser and whois modules load
        QElapsedTimer clock;
        clock.start();
        while (program.state() == QProcess::Running && clock.elapsed() < 60000) {
            windowSystem = windowSystem || mapped(program.processId(), "libqoffscreen");
            loadedLate = loadedLate || mapped(program.processId(), "libQt6WebEngine") ||
                         mapped(program.processId(), "libQt6Network");
            program.waitForFinished(5);
        }
        QVERIFY(program.state() == QProcess::NotRunning || program.waitForFinished(1000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(QFile::exists(picture));
        QVERIFY(windowSystem); // the maps were read while the program ran its window
        QVERIFY(!loadedLate);
    }

    void menuLoadsModuleOnFirstChoice()
    {
        const qint64 self = QCoreApplication::applicationPid();
        parlo window(m_fake->host(), browserWindowMakers(m_settings, PARLO_BROWSER_MODULE));
        window.show();
        QAction *browser = window.findChild<QAction *>("mbrowser");
        QVERIFY(!mapped(self, "libQt6WebEngine"));

        browser->trigger();
        QPointer<QWidget> opened = window.instance("frmBrowser");
        QVERIFY2(opened, qPrintable(m_fake->messages.boxes.value(0).text));
        QVERIFY(opened->isVisible());
        QVERIFY(mapped(self, "libQt6WebEngineCore"));
        QVERIFY(m_fake->messages.boxes.isEmpty());

        // A second choice makes nothing; after a close the module is still loaded and opens it afresh.
        browser->trigger();
        QCOMPARE(window.instance("frmBrowser"), opened.data());
        opened->close();
        QTRY_VERIFY(opened.isNull());
        browser->trigger();
        QVERIFY(window.instance("frmBrowser") && window.instance("frmBrowser")->isVisible());
    }

    void missingModule_data()
    {
        QTest::addColumn<QByteArray>("contents"); // of the module file; none at all when empty
        QTest::addColumn<QString>("message");     // how the message starts; @ stands for the module's path
        QTest::addColumn<QString>("window");      // what the menu opens: the browser, or whois
        QTest::newRow("no file") << QByteArray() << "The browser cannot be opened: its module @ is missing."
                                 << "frmBrowser";
        // The rest is Qt's own explanation.
        QTest::newRow("not a library") << QByteArray("not a library")
                                       << "The browser cannot be opened: its module @ cannot be loaded ("
                                       << "frmBrowser";
        QTest::newRow("whois, no file") << QByteArray() << "The whois window cannot be opened: its module @ is missing."
                                        << "whois";
        QTest::newRow("whois, not a library")
            << QByteArray("not a library") << "The whois window cannot be opened: its module @ cannot be loaded ("
            << "whois";
    }

    void missingModule()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, message);
        QFETCH(QString, window);
        const QString path = m_temp->filePath(window + ".so");
        if (!contents.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(contents);
        }
        parlo main(m_fake->host(), window == "whois" ? whoisModuleMakers(path) : browserWindowMakers(m_settings, path));
        for (int choice = 0; choice < 2; ++choice) // tried again at each choice
            main.findChild<QAction *>(window == "whois" ? "mwhois" : "mbrowser")->trigger();
        QVERIFY(!main.instance(window));
        QCOMPARE(m_fake->messages.boxes.count(), 2);
        const QString text = m_fake->messages.boxes[0].text;
        QVERIFY2(text.startsWith(message.replace('@', path)), qPrintable(text));
        QCOMPARE(m_fake->messages.boxes[0].title, QStringLiteral("Parlo"));
    }

    void packageNamed_data()
    {
        QTest::addColumn<QString>("input");    // a file, or what the plug-in loader said about /m/frmBrowser.so
        QTest::addColumn<QString>("expected"); // the Debian package, or the message

        const QString cannot = "Cannot load library /m/frmBrowser.so: (%1: cannot open shared object file: "
                               "No such file or directory)";
        // clang-format off
        QTest::newRow("file: Qt library") << "libQt6WebEngineCore.so.6" << "libqt6webenginecore6";
        QTest::newRow("file: with full version") << "libQt6WebChannel.so.6.4.2" << "libqt6webchannel6";
        QTest::newRow("file: Qt 5 library") << "libQt5Core.so.5" << "";
        QTest::newRow("file: engine's program") << "QtWebEngineProcess" << "libqt6webenginecore6-bin";
        QTest::newRow("file: engine's resources") << "qtwebengine_resources.pak" << "libqt6webengine6-data";
        QTest::newRow("load: widgets library") << cannot.arg("libQt6WebEngineWidgets.so.6")
            << "The browser needs libQt6WebEngineWidgets.so.6, which is not installed. "
               "Install the Debian package libqt6webenginewidgets6.";
        QTest::newRow("load: another library") << cannot.arg("libnss3.so")
            << "The browser needs libnss3.so, which is not installed.";
        QTest::newRow("load: anything else") << "Cannot load library /m/frmBrowser.so: (undefined symbol: x)"
            << "The browser cannot be opened: its module /m/frmBrowser.so cannot be loaded "
               "(Cannot load library /m/frmBrowser.so: (undefined symbol: x)).";
        // clang-format on
    }

    void packageNamed()
    {
        QFETCH(QString, input);
        const bool file = QByteArray(QTest::currentDataTag()).startsWith("file");
        QTEST(file ? debianPackageOf(input) : browserLoadFailure(input, "/m/frmBrowser.so"), "expected");
    }

    void sandboxOnlyForRoot()
    {
        // Parlo turns the sandbox off only as root, and never against the user's own setting.
        using WebEngineSetup::sandboxToDisable;
        QCOMPARE(QList<bool>({sandboxToDisable(true, false), sandboxToDisable(true, true),
                              sandboxToDisable(false, false), sandboxToDisable(false, true)}),
                 QList<bool>({true, false, false, false}));
        // initMain prepared this process without the variable in its environment.
        const bool root = geteuid() == 0;
        QCOMPARE(qEnvironmentVariableIsSet(WebEngineSetup::disableSandboxVariable), root);
        QCOMPARE(WebEngineSetup::sandboxDisabledByParlo(), root);
        const QProcessEnvironment child = ChildContract::childEnvironment(HostConfig{"/compat", "/data"}, 6);
        QVERIFY(!child.contains(WebEngineSetup::disableSandboxVariable));
    }

    void settingsFile()
    {
        QCOMPARE(QtSettings::fileName(),
                 QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/Parlo/Parlo.conf");
        QVERIFY(QDir().mkpath(QFileInfo(QtSettings::fileName()).path()));
        QFile file(QtSettings::fileName());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Browser]\nHomePage=http://127.0.0.1:8/home\n");
        file.close();
        const QtSettings settings;
        QCOMPARE(settings.text("Browser/HomePage", "fallback"), QStringLiteral("http://127.0.0.1:8/home"));
        QCOMPARE(settings.text("Browser/SearchPage", "fallback"), QStringLiteral("fallback"));
        QVERIFY(file.remove());
    }

private:
    std::unique_ptr<QTemporaryDir> m_temp;
    std::unique_ptr<FakeHost> m_fake;
    FakeSettings m_settings;
};

QTEST_MAIN(tst_browsermodule)
#include "tst_browsermodule.moc"
