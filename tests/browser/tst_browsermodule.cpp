#include "TestFiles.h"
#include "browser/BrowserMakers.h"
#include "main/parlo.h"
#include "platform/ChildContract.h"
#include "platform/DebianPackages.h"
#include "platform/HostConfig.h"
#include "platform/QtSettings.h"
#include "platform/StoreLoader.h"
#include "platform/WebEngineSetup.h"
#include "whois/WhoisMakers.h"

#include <QAction>
#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

class tst_browsermodule : public QObject
{
    Q_OBJECT
    // Whether a library whose file name starts with prefix is mapped into process pid.
    static bool mapped(qint64 pid, const QByteArray &prefix)
    {
        return readFile(QStringLiteral("/proc/%1/maps").arg(pid)).contains('/' + prefix);
    }

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
    // A start maps none of what the modules bring: the main window saves a picture of itself and
    // quits, its maps read over and over until then. The History window loads Qt SQL with the
    // store module, which keeps the history where it always was.
    void startMapsModulesOnlyWhenUsed()
    {
        for (const bool history : {false, true}) {
            const QStringList arguments =
                history ? QStringList{"--history"} : QStringList{"--screenshot", m_temp.filePath("main.png")};
            QProcess program;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert("QT_QPA_PLATFORM", "offscreen");
            environment.insert("XDG_DATA_HOME", m_temp.filePath("data"));
            environment.insert("XDG_CONFIG_HOME", m_temp.filePath("config"));
            environment.insert("XDG_RUNTIME_DIR", m_temp.path()); // no background Parlo to hand the window to
            program.setProcessEnvironment(environment);
            program.start(PARLO_PROGRAM, arguments);
            QVERIFY2(program.waitForStarted(), qPrintable(arguments.first()));
            bool windowSystem = false;
            bool loadedLate = false; // what only the browser and whois modules load
            bool sql = false;
            for (int polls = 0; polls < 12000 && program.state() == QProcess::Running && !sql; ++polls) {
                windowSystem = windowSystem || mapped(program.processId(), "libqoffscreen");
                loadedLate = loadedLate || mapped(program.processId(), "libQt6WebEngine") ||
                             mapped(program.processId(), "libQt6Network");
                sql = mapped(program.processId(), "libQt6Sql");
                program.waitForFinished(5);
            }
            QVERIFY2(!loadedLate && sql == history, qPrintable(arguments.first()));
            if (history) {
                // The module is mapped a moment before it makes the database.
                const QString kept = m_temp.filePath("data/parlo/history.sqlite");
                for (int polls = 0; polls < 1000 && !QFile::exists(kept) && program.state() == QProcess::Running;
                     ++polls)
                    program.waitForFinished(5);
                program.kill();
                QVERIFY(program.waitForFinished(5000));
                QVERIFY(QFile::exists(kept));
                continue;
            }
            QVERIFY(program.state() == QProcess::NotRunning || program.waitForFinished(1000));
            QVERIFY(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0);
            QVERIFY(windowSystem); // the maps were read while the program ran its window
        }
    }

    // The program's history keeps and finds through the built store module, loaded by its first call.
    void historyThroughStoreModule()
    {
        const qint64 self = QCoreApplication::applicationPid();
        LoadedHistory history(std::make_shared<StoreLoader>(PARLO_STORE_MODULE), m_temp.filePath("kept.sqlite"));
        QVERIFY(!mapped(self, "libQt6Sql"));
        const qint64 sent = history.recordSent("to two", {"A", "B"}, "List1");
        history.recordDelivery(sent, "B", Delivery::Refused);
        QVERIFY(history.recordReceived("S", "back", "origin") > sent);
        QVERIFY(mapped(self, "libQt6Sql"));
        const QList<HistoryEntry> found = history.find("two", 10);
        QCOMPARE(found.size(), 1);
        QCOMPARE(found[0].recipients[1].delivery, Delivery::Refused);
        QCOMPARE(history.problem(), QString());
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

        // Without the store module the history names it in its problem and keeps nothing, nor
        // does the receipt book.
        for (const QString &store : {m_temp.filePath("store.so"), whois}) {
            const auto loader = std::make_shared<StoreLoader>(store);
            LoadedHistory history(loader, m_temp.filePath("lost.sqlite"));
            QCOMPARE(history.recordSent("text", {"R"}, {}), 0);
            history.recordDelivery(1, "R", Delivery::Delivered);
            QCOMPARE(history.recordReceived("S", "text", "origin"), 0);
            QVERIFY(history.find({}, 10).isEmpty());
            QVERIFY2(history.problem().contains(store), qPrintable(history.problem()));
            LoadedReceipts receipts(loader, m_temp.filePath("lost.sqlite"));
            QVERIFY(receipts.open().contains(store));
            QVERIFY(!receipts.acknowledge("name") && receipts.acknowledged().isEmpty());
            QVERIFY(!QFile::exists(m_temp.filePath("lost.sqlite")));
        }
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
