#include "Fakes.h"
#include "PageServer.h"
#include "WebBrowser.h"
#include "WebEngineSetup.h"
#include "frmBrowser.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
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

// The browser window with its controls at hand, and every caption it showed.
struct Browser
{
    explicit Browser(const Settings &settings) : window(settings)
    {
        QObject::connect(&window, &QWidget::windowTitleChanged, &window,
                         [this](const QString &caption) { captions << caption; });
    }
    void type(const QString &text)
    {
        cboAddress->lineEdit()->clear();
        QTest::keyClicks(cboAddress, text);
    }
    void enter() { QTest::keyClick(cboAddress, Qt::Key_Return); }
    void go(const QString &text)
    {
        type(text);
        enter();
    }
    void click(const char *key)
    {
        QAction *button = window.findChild<QAction *>(QLatin1String(key));
        QTest::mouseClick(tbToolBar->widgetForAction(button), Qt::LeftButton);
    }
    // The timer is off and the engine idle: the caption is final.
    bool settled() const { return !timTimer->isActive() && !brwWebBrowser->Busy(); }
    QString caption() const { return window.windowTitle(); }

    frmBrowser window;
    QComboBox *cboAddress = window.findChild<QComboBox *>(QStringLiteral("cboAddress"));
    QToolBar *tbToolBar = window.findChild<QToolBar *>(QStringLiteral("tbToolBar"));
    QTimer *timTimer = window.findChild<QTimer *>(QStringLiteral("timTimer"));
    WebBrowser *brwWebBrowser = window.findChild<WebBrowser *>(QStringLiteral("brwWebBrowser"));
    QSignalSpy completions{brwWebBrowser, &WebBrowser::DownloadComplete};
    QStringList captions;
};

void writePage(const QString &path, const QString &title, const QString &link = {})
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(
        QStringLiteral("<html><head><title>%1</title></head><body>%2</body></html>")
            .arg(title, link.isEmpty() ? QString() : QStringLiteral("<a id=\"next\" href=\"%1\">next</a>").arg(link))
            .toUtf8());
}

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
    void emptyAddressLoadsNothing();
    void linkChangesCaptionWithoutWorking();
    void backWithoutHistory();
    void backAndForwardThroughThreePages();
    void stopDuringSlowPage();
    void stopBeforeTheEngineStarts();
    void refreshLoadsAgain();
    void homeAndSearchPages();
    void unknownKeyDoesNothing();
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
    QVERIFY(m_pages.isValid());
    for (const char *name : {"one", "two", "three"})
        writePage(m_pages.filePath(QLatin1String(name) + ".html"), QStringLiteral("File %1").arg(QLatin1String(name)));
    m_settings.values["Browser/HomePage"] = m_server.url("/b");
    m_settings.values["Browser/SearchPage"] = m_server.url("/c");
}

void tst_browser::opensWithoutLoading()
{
    Browser b(m_settings);
    b.window.show();
    QCOMPARE(b.window.objectName(), QStringLiteral("frmBrowser"));
    QCOMPARE(b.window.size(), QSize(436, 342));
    QVERIFY(b.window.windowFlags().testFlags(Qt::WindowMinMaxButtonsHint));
    QCOMPARE(b.caption(), QString());
    QCOMPARE(b.cboAddress->currentText(), productWebPage());
    QCOMPARE(b.cboAddress->count(), 0);
    QCOMPARE(b.cboAddress->toolTip(), QStringLiteral("Put your mouse over the address bar then hit Enter!"));
    QCOMPARE(b.cboAddress->pos(), QPoint(3, 22));
    QCOMPARE(b.window.findChild<QLabel *>(QStringLiteral("lblAddress"))->text(), QStringLiteral("&Address:"));
    QStringList keys;
    for (QAction *button : b.tbToolBar->actions())
        keys << button->data().toString() + u'/' + button->toolTip();
    QCOMPARE(keys, (QStringList{"Back/Back", "Forward/Forward", "Stop/Stop", "Refresh/Refresh", "Home/Home",
                                "Search/Search"}));
    QVERIFY(!b.timTimer->isActive());
    QCOMPARE(b.timTimer->interval(), 5);
    QVERIFY(b.brwWebBrowser->view()->url().isEmpty());
}

void tst_browser::enterShowsWorkingThenTitle_data()
{
    QTest::addColumn<QString>("typed"); // @ stands for the server, ~ for the folder of file pages
    QTest::addColumn<QString>("title");
    QTest::newRow("address") << "@/a"
                             << "Page A";
    QTest::newRow("blanks around it") << "  @/a  "
                                      << "Page A";
    QTest::newRow("without a scheme") << "127.0.0.1:%1/b"
                                      << "Page B";
    QTest::newRow("file page by path") << " ~/one.html"
                                       << "File one";
    QTest::newRow("file URL") << "file://~/two.html"
                              << "File two";
}

void tst_browser::enterShowsWorkingThenTitle()
{
    QFETCH(QString, typed);
    QFETCH(QString, title);
    typed.replace("@", m_server.url({}))
        .replace("~", m_pages.path())
        .replace("%1", QString::number(m_server.serverPort()));
    Browser b(m_settings);
    b.window.show();
    b.go(typed);
    QVERIFY(b.timTimer->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(b.settled(), loadTimeout);
    QCOMPARE(b.caption(), title);
    QCOMPARE(b.captions.value(0), QStringLiteral("Working..."));
    QCOMPARE(b.captions.last(), title);
    QCOMPARE(b.cboAddress->currentText(), typed);
    QCOMPARE(b.cboAddress->count(), 0);
    QCOMPARE(b.completions.count(), 1);
}

void tst_browser::emptyAddressLoadsNothing()
{
    Browser b(m_settings);
    b.window.show();
    b.go({});
    QTRY_COMPARE(b.completions.count(), 1);
    QTRY_VERIFY(b.settled());
    QCOMPARE(b.caption(), QString());
    QVERIFY(b.brwWebBrowser->view()->url().isEmpty());
}

void tst_browser::linkChangesCaptionWithoutWorking()
{
    Browser b(m_settings);
    b.window.show();
    b.go(m_server.url("/a"));
    QTRY_VERIFY_WITH_TIMEOUT(b.settled() && b.caption() == u"Page A", loadTimeout);
    b.captions.clear();
    b.brwWebBrowser->view()->page()->runJavaScript(QStringLiteral("document.getElementById('next').click()"));
    QTRY_COMPARE_WITH_TIMEOUT(b.completions.count(), 2, loadTimeout);
    QCOMPARE(b.caption(), QStringLiteral("Page B"));
    QVERIFY2(!b.captions.contains("Working..."), qPrintable(b.captions.join(" | ")));
    QVERIFY(!b.timTimer->isActive());
    QCOMPARE(b.cboAddress->currentText(), m_server.url("/a"));
}

void tst_browser::backWithoutHistory()
{
    Browser b(m_settings);
    b.window.show();
    b.window.setWindowTitle(QStringLiteral("before"));
    b.click("Back");
    QVERIFY(b.timTimer->isActive());
    QTRY_VERIFY(!b.timTimer->isActive());
    QCOMPARE(b.caption(), QString());
    QVERIFY(b.brwWebBrowser->view()->url().isEmpty());
    QCOMPARE(b.completions.count(), 0);
}

void tst_browser::backAndForwardThroughThreePages()
{
    Browser b(m_settings);
    b.window.show();
    for (const char *name : {"one", "two", "three"}) {
        b.go(m_pages.filePath(QLatin1String(name) + ".html"));
        QTRY_VERIFY_WITH_TIMEOUT(b.settled() && b.caption() == QStringLiteral("File %1").arg(QLatin1String(name)),
                                 loadTimeout);
    }
    const QString typed = b.cboAddress->currentText();
    const std::pair<const char *, const char *> steps[] = {{"Back", "File two"},      {"Back", "File one"},
                                                           {"Back", "File one"},      {"Forward", "File two"},
                                                           {"Forward", "File three"}, {"Forward", "File three"}};
    for (const auto &[key, title] : steps) {
        b.click(key);
        QTRY_VERIFY_WITH_TIMEOUT(b.settled(), loadTimeout);
        QCOMPARE(b.caption(), QLatin1String(title));
    }
    QCOMPARE(b.completions.count(), 3 + 4); // the moves past either end load nothing
    QCOMPARE(b.cboAddress->currentText(), typed);
}

void tst_browser::stopDuringSlowPage()
{
    Browser b(m_settings);
    b.window.show();
    b.go(m_server.url("/a"));
    QTRY_VERIFY_WITH_TIMEOUT(b.settled() && b.caption() == u"Page A", loadTimeout);
    QSignalSpy asked(&m_server, &PageServer::requested);
    b.go(m_server.url("/slow"));
    QTRY_VERIFY_WITH_TIMEOUT(asked.contains({"/slow"}), loadTimeout);
    QTRY_COMPARE(b.caption(), QStringLiteral("Working..."));
    b.click("Stop");
    QCOMPARE(b.caption(), QStringLiteral("Page A"));
    QVERIFY(!b.timTimer->isActive());
    QTRY_COMPARE_WITH_TIMEOUT(b.completions.count(), 2, loadTimeout);
    QVERIFY(!b.brwWebBrowser->Busy());
    // Once only: the next page's completion is the next one counted.
    b.go(m_server.url("/b"));
    QTRY_VERIFY_WITH_TIMEOUT(b.settled() && b.caption() == u"Page B", loadTimeout);
    QCOMPARE(b.completions.count(), 3);
}

void tst_browser::stopBeforeTheEngineStarts()
{
    Browser b(m_settings);
    b.window.show();
    b.go(m_server.url("/slow"));
    b.click("Stop");
    QCOMPARE(b.caption(), QString());
    QVERIFY(!b.timTimer->isActive());
    QVERIFY(!b.brwWebBrowser->Busy());
    QTRY_COMPARE(b.completions.count(), 1);
}

void tst_browser::refreshLoadsAgain()
{
    Browser b(m_settings);
    b.window.show();
    b.click("Refresh"); // no page yet: nothing to load
    QTRY_VERIFY(b.settled());
    const int before = m_server.requests.value("/c");
    b.go(m_server.url("/c"));
    QTRY_VERIFY_WITH_TIMEOUT(b.settled() && b.caption() == u"Page C", loadTimeout);
    b.click("Refresh");
    QTRY_COMPARE_WITH_TIMEOUT(b.completions.count(), 2, loadTimeout);
    QTRY_VERIFY(b.settled());
    QCOMPARE(b.caption(), QStringLiteral("Page C"));
    QCOMPARE(m_server.requests.value("/c"), before + 2);
}

void tst_browser::homeAndSearchPages()
{
    Browser b(m_settings);
    b.window.show();
    b.click("Home");
    QTRY_VERIFY_WITH_TIMEOUT(b.settled() && b.caption() == u"Page B", loadTimeout);
    b.click("Search");
    QTRY_VERIFY_WITH_TIMEOUT(b.settled() && b.caption() == u"Page C", loadTimeout);
    QCOMPARE(b.cboAddress->currentText(), productWebPage());

    // Without settings the home page is a blank page.
    const FakeSettings none;
    Browser blank(none);
    blank.window.show();
    blank.click("Home");
    QTRY_COMPARE_WITH_TIMEOUT(blank.completions.count(), 1, loadTimeout);
    QCOMPARE(blank.brwWebBrowser->view()->url(), QUrl(QStringLiteral("about:blank")));
}

void tst_browser::unknownKeyDoesNothing()
{
    Browser b(m_settings);
    b.window.show();
    // Keys are compared exactly: "back" is none of them.
    QAction *other = b.tbToolBar->addAction(QStringLiteral("back"));
    other->setData(QStringLiteral("back"));
    b.tbToolBar->widgetForAction(other)->setObjectName(QStringLiteral("other"));
    QTest::mouseClick(b.tbToolBar->widgetForAction(other), Qt::LeftButton);
    QVERIFY(b.timTimer->isActive());
    QTRY_VERIFY(!b.timTimer->isActive());
    QCOMPARE(b.completions.count(), 0);
    QVERIFY(b.brwWebBrowser->view()->url().isEmpty());
}

void tst_browser::pageThatCannotLoad()
{
    // A port on loopback that nobody listens on.
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress(QHostAddress::LocalHost)));
    const QString address = QStringLiteral("http://127.0.0.1:%1/").arg(closed.serverPort());
    closed.close();
    Browser b(m_settings);
    b.window.show();
    const qsizetype windows = QApplication::topLevelWidgets().count();
    b.go(address);
    QTRY_VERIFY_WITH_TIMEOUT(b.completions.count() == 1 && b.settled(), loadTimeout);
    // The engine's own error page, whose title names the host.
    QCOMPARE(b.caption(), b.brwWebBrowser->LocationName());
    QVERIFY2(b.caption().contains("127.0.0.1"), qPrintable(b.caption()));
    QCOMPARE(QApplication::topLevelWidgets().count(), windows); // and no message of the window's own
}

void tst_browser::startingAddress()
{
    Browser b(m_settings);
    b.window.StartingAddress = m_server.url("/a");
    b.window.show();
    QCOMPARE(b.cboAddress->currentText(), m_server.url("/a"));
    QCOMPARE(b.cboAddress->count(), 1);
    QCOMPARE(b.cboAddress->itemText(0), m_server.url("/a"));
    QVERIFY(b.timTimer->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(b.settled() && b.caption() == u"Page A", loadTimeout);
    QCOMPARE(b.captions.value(0), QStringLiteral("Working..."));
}

void tst_browser::layoutFillsWindow_data()
{
    QTest::addColumn<QSize>("client");
    QTest::addColumn<QRect>("address"); // the address box, in the address bar
    QTest::addColumn<QRect>("page");
    QTest::newRow("as it opens") << QSize(436, 342) << QRect(3, 22, 433, 21) << QRect(0, 81, 436, 261);
    QTest::newRow("large") << QSize(1200, 900) << QRect(3, 22, 1197, 21) << QRect(0, 81, 1200, 819);
    QTest::newRow("bars only") << QSize(300, 81) << QRect(3, 22, 297, 21) << QRect(0, 81, 300, 0);
    QTest::newRow("lower than the bars") << QSize(200, 40) << QRect(3, 22, 197, 21) << QRect(0, 81, 200, 0);
    QTest::newRow("narrower than the margin") << QSize(2, 200) << QRect(3, 22, 0, 21) << QRect(0, 81, 2, 119);
}

void tst_browser::layoutFillsWindow()
{
    QFETCH(QSize, client);
    QFETCH(QRect, address);
    QFETCH(QRect, page);
    Browser b(m_settings);
    b.window.show();
    b.window.resize(client);
    QCOMPARE(b.window.size(), client);
    QCOMPARE(b.cboAddress->geometry(), address);
    QCOMPARE(b.brwWebBrowser->geometry(), page);
    QCOMPARE(b.tbToolBar->geometry(), QRect(0, 0, client.width(), std::min(client.height(), 36)));
    auto *bar = b.window.findChild<QWidget *>(QStringLiteral("picAddress"));
    QCOMPARE(bar->geometry(), QRect(0, 36, client.width(), std::clamp(client.height() - 36, 0, 45)));
}

void tst_browser::minimiseAndRestore()
{
    Browser b(m_settings);
    b.window.show();
    b.window.resize(600, 400);
    b.window.showMinimized();
    QTRY_VERIFY(b.window.isMinimized());
    b.window.showNormal();
    QTRY_VERIFY(!b.window.isMinimized());
    QCOMPARE(b.cboAddress->geometry().right(), b.window.width() - 1);
    QCOMPARE(b.brwWebBrowser->geometry(), QRect(0, 81, b.window.width(), b.window.height() - 81));
    b.window.showMaximized();
    QTRY_VERIFY(b.window.isMaximized());
    QCOMPARE(b.brwWebBrowser->geometry(), QRect(0, 81, b.window.width(), b.window.height() - 81));
}

void tst_browser::altAMovesFocusToAddress()
{
    Browser b(m_settings);
    b.window.show();
    b.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&b.window));
    b.brwWebBrowser->setFocus();
    QTest::keyClick(&b.window, Qt::Key_A, Qt::AltModifier);
    QTRY_VERIFY(b.cboAddress->hasFocus());
    QCOMPARE(b.cboAddress->currentText(), productWebPage()); // the key typed nothing
}

QTEST_MAIN(tst_browser)
#include "tst_browser.moc"
