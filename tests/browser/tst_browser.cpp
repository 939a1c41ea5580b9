#include "Fakes.h"
#include "PageServer.h"
#include "browser/WebBrowser.h"
#include "browser/frmBrowser.h"
#include "platform/WebEngineSetup.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QWebEngineView>

namespace {

// Loads can take a while on a busy machine or under the sanitizers.
constexpr int loadTimeout = 20000;

// The browser window, shown, with its controls at hand and every caption it showed.
struct Browser
{
    explicit Browser(const Settings &settings, const QString &startingAddress = {}) : window(settings)
    {
        QObject::connect(&window, &QWidget::windowTitleChanged, &window, [this](const QString &caption) {
            if (caption != (captions.isEmpty() ? QString() : captions.last()))
                captions << caption;
        });
        window.StartingAddress = startingAddress;
        window.show();
    }
    void go(const QString &text)
    {
        cboAddress->lineEdit()->clear();
        QTest::keyClicks(cboAddress, text);
        QTest::keyClick(cboAddress, Qt::Key_Return);
    }
    void click(const char *key)
    {
        QTest::mouseClick(tbToolBar->widgetForAction(window.findChild<QAction *>(key)), Qt::LeftButton);
    }
    // The timer is off, the engine idle, and the caption is title. Polled as QTRY_VERIFY does:
    // one long wait for events would not return while the engine keeps sending them.
    bool shows(const QString &title)
    {
        QElapsedTimer clock;
        clock.start();
        while (timTimer->isActive() || brw->Busy() || caption() != title) {
            if (clock.elapsed() > loadTimeout)
                return false;
            QTest::qWait(10);
        }
        return true;
    }
    QString caption() const { return window.windowTitle(); }
    bool loadedNothing() const { return brw->view()->url().isEmpty(); }

    frmBrowser window;
    QComboBox *cboAddress = window.findChild<QComboBox *>("cboAddress");
    QToolBar *tbToolBar = window.findChild<QToolBar *>("tbToolBar");
    QTimer *timTimer = window.findChild<QTimer *>("timTimer");
    WebBrowser *brw = window.findChild<WebBrowser *>("brwWebBrowser");
    QSignalSpy completions{brw, &WebBrowser::DownloadComplete};
    QStringList captions;
};

} // namespace

class tst_browser : public QObject
{
    Q_OBJECT
public:
    static void initMain()
    {
        // The engine renders in software, and asks nothing of the network on its own.
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --disable-background-networking "
                                              "--disable-component-update --no-proxy-server");
        WebEngineSetup::prepareProcess();
        QStandardPaths::setTestModeEnabled(true);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_server.isListening() && m_slow.isListening());
        m_slow.silent = true;
        for (const QByteArray name : {"A", "B", "C"}) {
            m_server.pages["/" + name.toLower()] =
                "<html><head><title>Page " + name +
                "</title></head><body><a id=\"next\" href=\"/b\">B</a></body></html>";
        }
        for (const char *name : {"one", "two", "three"}) {
            QFile page(m_pages.filePath(name + QString(".html")));
            QVERIFY(page.open(QIODevice::WriteOnly));
            page.write("<html><head><title>File " + QByteArray(name) + "</title></head></html>");
        }
        m_settings.values["Browser/HomePage"] = m_server.url("/b");
        m_settings.values["Browser/SearchPage"] = m_server.url("/c");
    }

    void startingAddress()
    {
        Browser b(m_settings, m_server.url("/a"));
        QCOMPARE(b.cboAddress->currentText(), m_server.url("/a"));
        QCOMPARE(b.cboAddress->count(), 1);
        QCOMPARE(b.cboAddress->itemText(0), m_server.url("/a"));
        QVERIFY(b.shows("Page A"));
        QCOMPARE(b.captions, QStringList({"Working...", "Page A"}));
    }

    void enterShowsWorkingThenTitle_data()
    {
        QTest::addColumn<QString>("typed"); // @ stands for the server, ~ for the folder of file pages
        QTest::addColumn<QString>("title");
        // clang-format off
        QTest::newRow("blanks around it") << "  @/a  " << "Page A";
        QTest::newRow("without a scheme") << "127.0.0.1:%1/b" << "Page B";
        QTest::newRow("file page by path") << " ~/one.html" << "File one";
        QTest::newRow("nothing") << "" << ""; // loads nothing, and completes
        // clang-format on
    }

    void enterShowsWorkingThenTitle()
    {
        QFETCH(QString, typed);
        QFETCH(QString, title);
        typed.replace("@", m_server.url({}))
            .replace("~", m_pages.path())
            .replace("%1", QString::number(m_server.port()));
        Browser b(m_settings);
        b.go(typed);
        QVERIFY(b.timTimer->isActive());
        QVERIFY(b.shows(title));
        QCOMPARE(b.captions.join("|"), title.isEmpty() ? QString() : "Working...|" + title);
        QCOMPARE(b.loadedNothing(), title.isEmpty());
        QCOMPARE(b.cboAddress->currentText(), typed);
        QCOMPARE(b.cboAddress->count(), 0);
        QTRY_COMPARE(b.completions.count(), 1);
    }

    void linkChangesCaptionWithoutWorking()
    {
        Browser b(m_settings);
        b.go(m_server.url("/a"));
        QVERIFY(b.shows("Page A"));
        b.captions.clear();
        b.brw->view()->page()->runJavaScript("document.getElementById('next').click()");
        QTRY_COMPARE_WITH_TIMEOUT(b.completions.count(), 2, loadTimeout);
        QCOMPARE(b.captions, QStringList{"Page B"});
        QVERIFY(!b.timTimer->isActive());
        QCOMPARE(b.cboAddress->currentText(), m_server.url("/a"));
    }

    void buttonWithNothingToDo_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("Back") << "Back";
        QTest::newRow("Refresh") << "Refresh";
    }

    void buttonWithNothingToDo()
    {
        QFETCH(QString, key);
        Browser b(m_settings);
        b.window.setWindowTitle("before");
        b.click(qPrintable(key));
        QVERIFY(b.timTimer->isActive());
        QVERIFY(b.shows("")); // nothing loads, and the caption is the (empty) page name
        QVERIFY(b.loadedNothing());
    }

    void backAndForward()
    {
        Browser b(m_settings);
        for (const char *name : {"one", "two", "three"}) {
            b.go(m_pages.filePath(name + QString(".html")));
            QVERIFY(b.shows("File " + QString(name)));
        }
        const QString typed = b.cboAddress->currentText();
        const std::pair<const char *, const char *> steps[] = {{"Back", "File two"},      {"Back", "File one"},
                                                               {"Back", "File one"},      {"Forward", "File two"},
                                                               {"Forward", "File three"}, {"Forward", "File three"}};
        for (const auto &[key, title] : steps) {
            b.click(key);
            QVERIFY2(b.shows(title), key);
        }
        QCOMPARE(b.completions.count(), 3 + 4); // moves past either end load nothing
        QCOMPARE(b.cboAddress->currentText(), typed);
    }

    void stop()
    {
        // Before the engine has started: no page yet, and the navigation still completes once.
        Browser b(m_settings);
        b.go(m_slow.url("/"));
        b.click("Stop");
        QCOMPARE(b.caption(), QString());
        QVERIFY(!b.timTimer->isActive() && !b.brw->Busy());
        QTRY_COMPARE(b.completions.count(), 1);

        // While a page does not come: at once the name of the page shown, the timer off.
        b.go(m_server.url("/a"));
        QVERIFY(b.shows("Page A"));
        const qsizetype asked = m_slow.count("GET /");
        b.go(m_slow.url("/"));
        QTRY_VERIFY_WITH_TIMEOUT(m_slow.count("GET /") > asked && b.caption() == "Working...", loadTimeout);
        b.click("Stop");
        QCOMPARE(b.caption(), "Page A");
        QVERIFY(!b.timTimer->isActive());
        QTRY_COMPARE_WITH_TIMEOUT(b.completions.count(), 3, loadTimeout);
        b.go(m_server.url("/b")); // once only: the next completion counted is the next page's
        QVERIFY(b.shows("Page B"));
        QCOMPARE(b.completions.count(), 4);
    }

    void homeSearchAndRefresh()
    {
        Browser b(m_settings);
        b.click("Home");
        QVERIFY(b.shows("Page B"));
        b.click("Search");
        QVERIFY(b.shows("Page C"));
        const qsizetype asked = m_server.count("GET /c ");
        b.click("Refresh");
        QVERIFY(b.shows("Page C"));
        QCOMPARE(m_server.count("GET /c "), asked + 1);
        QCOMPARE(b.cboAddress->currentText(), productWebPage());
    }

    void pageThatCannotLoad()
    {
        Browser b(m_settings);
        const qsizetype windows = QApplication::topLevelWidgets().count();
        b.go(QString("http://127.0.0.1:%1/").arg(closedPort()));
        QTRY_VERIFY_WITH_TIMEOUT(b.completions.count() == 1 && !b.timTimer->isActive(), loadTimeout);
        // The engine's error page, whose title names the host; no message of the window's own.
        QCOMPARE(b.caption(), b.brw->LocationName());
        QVERIFY2(b.caption().contains("127.0.0.1"), qPrintable(b.caption()));
        QCOMPARE(QApplication::topLevelWidgets().count(), windows);
    }

    void layoutFillsWindow_data()
    {
        QTest::addColumn<QSize>("client");
        QTest::newRow("roomy") << QSize(600, 400);
        QTest::newRow("lower than the toolbar") << QSize(200, 20);
        QTest::newRow("narrower than the address's margin") << QSize(2, 200);
    }

    // The bars span the top, the address box reaches the right edge and the page fills the rest;
    // nothing reaches outside the window, however small.
    void layoutFillsWindow()
    {
        QFETCH(QSize, client);
        Browser b(m_settings);
        b.window.resize(client);
        QCOMPARE(b.window.size(), client);
        const QRect address = b.cboAddress->geometry();
        const BrowserLayout layout = browserLayout(client, address);
        for (const QRect &part : {layout.tbToolBar, layout.picAddress, layout.brwWebBrowser}) {
            QCOMPARE(part.left(), 0);
            QCOMPARE(part.width(), client.width());
            QVERIFY(part.top() >= 0 && part.height() >= 0);
            QVERIFY(part.isEmpty() || part.top() + part.height() <= client.height());
        }
        QCOMPARE(layout.tbToolBar.top(), 0);
        QVERIFY(layout.brwWebBrowser.top() >= layout.picAddress.top() + address.top() + address.height());
        QCOMPARE(layout.brwWebBrowser.top() + layout.brwWebBrowser.height(),
                 qMax(client.height(), layout.brwWebBrowser.top()));
        QCOMPARE(layout.cboAddress.left() + layout.cboAddress.width(), qMax(client.width(), address.left()));
        QCOMPARE(layout.cboAddress, address);
        QCOMPARE(b.brw->geometry(), layout.brwWebBrowser);
    }

    void altAMovesFocusToAddress()
    {
        Browser b(m_settings);
        b.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&b.window));
        b.brw->setFocus();
        QTest::keyClick(&b.window, Qt::Key_A, Qt::AltModifier);
        QTRY_VERIFY(b.cboAddress->hasFocus());
        QCOMPARE(b.cboAddress->currentText(), productWebPage()); // the key typed nothing
    }

private:
    PageServer m_server;
    ScriptedServer m_slow;
    QTemporaryDir m_pages;
    FakeSettings m_settings;
};

QTEST_MAIN(tst_browser)
#include "tst_browser.moc"
