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
    void initTestCase();
    void opensWithoutLoading();
    void enterShowsWorkingThenTitle_data();
    void enterShowsWorkingThenTitle();
    void linkChangesCaptionWithoutWorking();
    void buttonWithNothingToDo_data();
    void buttonWithNothingToDo();
    void backAndForward();
    void stop();
    void homeSearchAndRefresh();
    void pageThatCannotLoad();
    void startingAddress();
    void layoutFillsWindow_data();
    void layoutFillsWindow();
    void minimiseAndRestore();
    void altAMovesFocusToAddress();

private:
    PageServer m_server;
    QTemporaryDir m_pages;
    FakeSettings m_settings;
};

void tst_browser::initTestCase()
{
    QVERIFY(m_server.isListening());
    for (const char *name : {"one", "two", "three"}) {
        QFile page(m_pages.filePath(name + QString(".html")));
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.write("<html><head><title>File " + QByteArray(name) + "</title></head></html>");
    }
    m_settings.values["Browser/HomePage"] = m_server.url("/b");
    m_settings.values["Browser/SearchPage"] = m_server.url("/c");
}

void tst_browser::opensWithoutLoading()
{
    Browser b(m_settings);
    QCOMPARE(b.caption(), QString());
    QCOMPARE(b.cboAddress->currentText(), productWebPage());
    QCOMPARE(b.cboAddress->count(), 0);
    QVERIFY(!b.timTimer->isActive());
    QVERIFY(b.loadedNothing());
}

void tst_browser::enterShowsWorkingThenTitle_data()
{
    QTest::addColumn<QString>("typed"); // @ stands for the server, ~ for the folder of file pages
    QTest::addColumn<QString>("title");
    // clang-format off
    QTest::newRow("blanks around it") << "  @/a  " << "Page A";
    QTest::newRow("without a scheme") << "127.0.0.1:%1/b" << "Page B";
    QTest::newRow("file page by path") << " ~/one.html" << "File one";
    QTest::newRow("file URL") << "file://~/two.html" << "File two";
    QTest::newRow("nothing") << "" << ""; // loads nothing, and completes
    // clang-format on
}

void tst_browser::enterShowsWorkingThenTitle()
{
    QFETCH(QString, typed);
    QFETCH(QString, title);
    typed.replace("@", m_server.url({}))
        .replace("~", m_pages.path())
        .replace("%1", QString::number(m_server.serverPort()));
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

void tst_browser::linkChangesCaptionWithoutWorking()
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

void tst_browser::buttonWithNothingToDo_data()
{
    QTest::addColumn<QString>("key");
    QTest::newRow("Back") << "Back";
    QTest::newRow("Refresh") << "Refresh";
    QTest::newRow("unknown key: compared exactly") << "back";
}

void tst_browser::buttonWithNothingToDo()
{
    QFETCH(QString, key);
    Browser b(m_settings);
    QAction *button = b.window.findChild<QAction *>(key);
    if (!button)
        (button = b.tbToolBar->addAction(key))->setData(key);
    b.window.setWindowTitle("before");
    QTest::mouseClick(b.tbToolBar->widgetForAction(button), Qt::LeftButton);
    QVERIFY(b.timTimer->isActive());
    QVERIFY(b.shows("")); // nothing loads, and the caption is the (empty) page name
    QVERIFY(b.loadedNothing());
}

void tst_browser::backAndForward()
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

void tst_browser::stop()
{
    // Before the engine has started: no page yet, and the navigation still completes once.
    Browser b(m_settings);
    b.go(m_server.url("/slow"));
    b.click("Stop");
    QCOMPARE(b.caption(), QString());
    QVERIFY(!b.timTimer->isActive() && !b.brw->Busy());
    QTRY_COMPARE(b.completions.count(), 1);

    // During the slow page: at once the name of the page shown, the timer off.
    b.go(m_server.url("/a"));
    QVERIFY(b.shows("Page A"));
    QSignalSpy asked(&m_server, &PageServer::requested);
    b.go(m_server.url("/slow"));
    QTRY_VERIFY_WITH_TIMEOUT(asked.contains({"/slow"}) && b.caption() == "Working...", loadTimeout);
    b.click("Stop");
    QCOMPARE(b.caption(), "Page A");
    QVERIFY(!b.timTimer->isActive());
    QTRY_COMPARE_WITH_TIMEOUT(b.completions.count(), 3, loadTimeout);
    b.go(m_server.url("/b")); // once only: the next completion counted is the next page's
    QVERIFY(b.shows("Page B"));
    QCOMPARE(b.completions.count(), 4);
}

void tst_browser::homeSearchAndRefresh()
{
    Browser b(m_settings);
    b.click("Home");
    QVERIFY(b.shows("Page B"));
    b.click("Search");
    QVERIFY(b.shows("Page C"));
    const int asked = m_server.requests.value("/c");
    b.click("Refresh");
    QVERIFY(b.shows("Page C"));
    QCOMPARE(m_server.requests.value("/c"), asked + 1);
    QCOMPARE(b.cboAddress->currentText(), productWebPage());
}

void tst_browser::pageThatCannotLoad()
{
    QTcpServer closed; // a port on loopback that nobody listens on
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const QString address = QString("http://127.0.0.1:%1/").arg(closed.serverPort());
    closed.close();
    Browser b(m_settings);
    const qsizetype windows = QApplication::topLevelWidgets().count();
    b.go(address);
    QTRY_VERIFY_WITH_TIMEOUT(b.completions.count() == 1 && !b.timTimer->isActive(), loadTimeout);
    // The engine's error page, whose title names the host; no message of the window's own.
    QCOMPARE(b.caption(), b.brw->LocationName());
    QVERIFY2(b.caption().contains("127.0.0.1"), qPrintable(b.caption()));
    QCOMPARE(QApplication::topLevelWidgets().count(), windows);
}

void tst_browser::startingAddress()
{
    Browser b(m_settings, m_server.url("/a"));
    QCOMPARE(b.cboAddress->currentText(), m_server.url("/a"));
    QCOMPARE(b.cboAddress->count(), 1);
    QCOMPARE(b.cboAddress->itemText(0), m_server.url("/a"));
    QVERIFY(b.shows("Page A"));
    QCOMPARE(b.captions, QStringList({"Working...", "Page A"}));
}

void tst_browser::layoutFillsWindow_data()
{
    QTest::addColumn<QSize>("client");
    QTest::addColumn<QRect>("address"); // in the address bar
    QTest::addColumn<QRect>("page");
    QTest::newRow("lower than the bars") << QSize(200, 40) << QRect(3, 22, 197, 21) << QRect(0, 81, 200, 0);
    QTest::newRow("narrower than the margin") << QSize(2, 200) << QRect(3, 22, 0, 21) << QRect(0, 81, 2, 119);
}

void tst_browser::layoutFillsWindow()
{
    QFETCH(QSize, client);
    QFETCH(QRect, address);
    QFETCH(QRect, page);
    Browser b(m_settings);
    b.window.resize(client);
    QCOMPARE(b.window.size(), client);
    QCOMPARE(b.cboAddress->geometry(), address);
    QCOMPARE(b.brw->geometry(), page);
}

void tst_browser::minimiseAndRestore()
{
    Browser b(m_settings);
    b.window.resize(600, 400);
    for (const Qt::WindowState state : {Qt::WindowMinimized, Qt::WindowNoState, Qt::WindowMaximized}) {
        b.window.setWindowState(state);
        QTRY_COMPARE(b.window.windowState(), state);
    }
    QCOMPARE(b.brw->geometry(), QRect(0, 81, b.window.width(), b.window.height() - 81));
}

void tst_browser::altAMovesFocusToAddress()
{
    Browser b(m_settings);
    b.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&b.window));
    b.brw->setFocus();
    QTest::keyClick(&b.window, Qt::Key_A, Qt::AltModifier);
    QTRY_VERIFY(b.cboAddress->hasFocus());
    QCOMPARE(b.cboAddress->currentText(), productWebPage()); // the key typed nothing
}

QTEST_MAIN(tst_browser)
#include "tst_browser.moc"
