#include "TestFiles.h"
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
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

// Whether a library whose file name starts with prefix is mapped into process pid.
bool mapped(qint64 pid, const QByteArray &prefix)
{
    return readFile(QStringLiteral("/proc/%1/maps").arg(pid)).contains('/' + prefix);
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
    void startWithoutBrowserMapsNoEngine()
    {
        // The program saves a picture of its main window and quits; until then its maps are read
        // over and over.
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_DATA_HOME", m_temp.filePath("data"));
        environment.insert("XDG_CONFIG_HOME", m_temp.filePath("config"));
        program.setProcessEnvironment(environment);
        program.start(PARLO_PROGRAM, {"--screenshot", m_temp.filePath("main.png")});
        QVERIFY(program.waitForStarted());
        bool windowSystem = false;
        bool loadedLate = false; // what only the browser and whois modules load
        for (int polls = 0; polls < 12000 && program.state() == QProcess::Running; ++polls) {
            windowSystem = windowSystem || mapped(program.processId(), "libqoffscreen");
            loadedLate = loadedLate || mapped(program.processId(), "libQt6WebEngine") ||
                         mapped(program.processId(), "libQt6Network");
            program.waitForFinished(5);
        }
        QVERIFY(program.state() == QProcess::NotRunning || program.waitForFinished(1000));
        QVERIFY(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0);
        QVERIFY(windowSystem); // the maps were read while the program ran its window
        QVERIFY(!loadedLate);
    }

    void menuLoadsModuleOnFirstChoice()
    {
        const qint64 self = QCoreApplication::applicationPid();
        parlo window(m_fake.host(), browserWindowMakers(m_settings, PARLO_BROWSER_MODULE));
        window.show();
        QVERIFY(!mapped(self, "libQt6WebEngine"));
        window.findChild<QAction *>("mbrowser")->trigger();
        QWidget *opened = window.instance("frmBrowser");
        QVERIFY2(opened && opened->isVisible(), qPrintable(m_fake.messages.boxes.value(0).text));
        QVERIFY(mapped(self, "libQt6WebEngineCore"));
    }

    // A module that is not there, or not a library, is told of at each choice; the rest of the
    // second message is Qt's own explanation.
    void missingModule()
    {
        const QString browser = m_temp.filePath("frmBrowser.so");
        const QString whois = m_temp.filePath("whois.so");
        writeFile(whois, "not a library");
        WindowMakers makers = browserWindowMakers(m_settings, browser);
        makers.insert(whoisModuleMakers(whois));
        parlo main(m_fake.host(), makers);
        for (const char *item : {"mbrowser", "mbrowser", "mwhois"})
            main.findChild<QAction *>(item)->trigger();
        QVERIFY(!main.instance("frmBrowser") && !main.instance("whois"));
        QCOMPARE(m_fake.messages.boxes.count(), 3);
        QCOMPARE(m_fake.messages.boxes[1].text, "The browser cannot be opened: its module " + browser + " is missing.");
        const QString text = m_fake.messages.boxes[2].text;
        QVERIFY2(text.startsWith("The whois window cannot be opened: its module " + whois + " cannot be loaded ("),
                 qPrintable(text));
    }

    // A library the module lacks is named with its Debian package, when there is one; so are
    // the engine's own files. Any other failure is told as the loader tells it.
    void missingLibraryAndPackage()
    {
        const QString cannot = "Cannot load library /m/b.so: (%1: cannot open shared object file: No such file)";
        QCOMPARE(browserLoadFailure(cannot.arg("libQt6WebEngineWidgets.so.6"), "/m/b.so"),
                 "The browser needs libQt6WebEngineWidgets.so.6, which is not installed. "
                 "Install the Debian package libqt6webenginewidgets6.");
        QCOMPARE(browserLoadFailure(cannot.arg("libnss3.so"), "/m/b.so"),
                 "The browser needs libnss3.so, which is not installed.");
        const QString other = "Cannot load library /m/b.so: (undefined symbol: x)";
        QCOMPARE(browserLoadFailure(other, "/m/b.so"),
                 "The browser cannot be opened: its module /m/b.so cannot be loaded (" + other + ").");
        QCOMPARE(debianPackageOf("libQt6WebChannel.so.6.4.2"), "libqt6webchannel6");
        QCOMPARE(debianPackageOf("QtWebEngineProcess"), "libqt6webenginecore6-bin");
        QCOMPARE(debianPackageOf("qtwebengine_resources.pak"), "libqt6webengine6-data");
    }

    // Parlo turns the sandbox off only as root, never against the user's own setting, and not
    // for the programs it starts.
    void sandboxOnlyForRoot()
    {
        QVERIFY(!WebEngineSetup::sandboxToDisable(false, false) && !WebEngineSetup::sandboxToDisable(true, true));
        // initMain prepared this process without the variable in its environment.
        QCOMPARE(qEnvironmentVariableIsSet(WebEngineSetup::disableSandboxVariable), geteuid() == 0);
        const QProcessEnvironment child = ChildContract::childEnvironment(HostConfig{"/compat", "/data"}, 6);
        QVERIFY(!child.contains(WebEngineSetup::disableSandboxVariable));
    }

    // The browser's pages come from Parlo's own settings file.
    void settingsFile()
    {
        const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        writeFile(config + "/Parlo/Parlo.conf", "[Browser]\nHomePage=http://127.0.0.1:8/home\n");
        QCOMPARE(QtSettings().text("Browser/HomePage", "fallback"), "http://127.0.0.1:8/home");
        QCOMPARE(QtSettings().text("Browser/SearchPage", "fallback"), "fallback");
        QVERIFY(QFile::remove(config + "/Parlo/Parlo.conf"));
    }

private:
    QTemporaryDir m_temp;
    FakeHost m_fake{m_temp.path()};
    FakeSettings m_settings;
};

QTEST_MAIN(tst_browsermodule)
#include "tst_browsermodule.moc"
