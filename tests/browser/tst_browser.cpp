#include "ScriptedServer.h"
#include "TestFiles.h"
#include "browser/WebBrowser.h"
#include "browser/frmBrowser.h"
#include "platform/HostConfig.h"
#include "platform/WebEngineSetup.h"

#include <QAction>
#include <QComboBox>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>

namespace {

// Loads can take a while on a busy machine or under the sanitizers.
constexpr int loadTimeout = 20000;

// The browser window, shown, with its controls at hand and every caption it showed.
struct Browser
{
    explicit Browser(const Settings &settings, const QString &startingAddress = {}, const QString &webPage = {})
        : window(settings, webPage)
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
        cboAddress->setEditText(text);
        QTest::keyClick(cboAddress, Qt::Key_Return);
    }
    void click(const char *key) { window.findChild<QAction *>(key)->trigger(); }
    // The timer is off, the engine idle, and the caption is title. Polled in short waits: one long
    // wait for events would not return while the engine keeps sending them.
    bool shows(const QString &title)
    {
        for (int waited = 0; timTimer->isActive() || brw->Busy() || window.windowTitle() != title; waited += 10) {
            if (waited > loadTimeout)
                return false;
            QTest::qWait(10);
        }
        return true;
    }

    frmBrowser window;
    QComboBox *cboAddress = window.findChild<QComboBox *>("cboAddress");
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
        // Pages named after their path: /a is "Page A".
        m_server.answerFor = [](const QByteArray &request) {
            const QByteArray title = "Page " + request.split(' ').value(1).mid(1).toUpper();
            return QList{httpReply(200, "<title>" + title + "</title>", -1, "text/html; charset=utf-8")};
        };
        writeFile(m_pages.filePath("one.html"), "<html><head><title>File one</title></head></html>");
        m_settings.values["Browser/HomePage"] = m_server.url("/b");
        m_settings.values["Browser/SearchPage"] = m_server.url("/c");
    }

    // Enter shows "Working..." until the page's title; the address box keeps what was typed.
    void enterShowsWorkingThenTitle()
    {
        const std::pair<QString, QString> rows[] = {{"  " + m_server.url("/a") + "  ", "Page A"}, // blanks around
                                                    {m_server.url("/b").mid(7), "Page B"},        // no scheme
                                                    {" " + m_pages.filePath("one.html"), "File one"},
                                                    {"", ""}}; // loads nothing, and completes
        for (const auto &[typed, title] : rows) {
            Browser b(m_settings);
            b.go(typed);
            QVERIFY2(b.timTimer->isActive() && b.shows(title), qPrintable(typed));
            QCOMPARE(b.captions.join("|"), title.isEmpty() ? QString() : "Working...|" + title);
            QCOMPARE(b.brw->view()->url().isEmpty(), title.isEmpty());
            QCOMPARE(b.cboAddress->currentText(), typed);
            QCOMPARE(b.cboAddress->count(), 0);
            QTRY_COMPARE(b.completions.count(), 1);
        }
    }

    // The address box starts with Parlo's own page, as the build copies it: Enter opens the file.
    void parloPage()
    {
        Browser b(m_settings, {}, HostConfig::webPage(PARLO_TEST_PROGRAM_DIR));
        QTest::keyClick(b.cboAddress, Qt::Key_Return);
        QVERIFY(b.shows("Parlo"));
        QVERIFY(b.brw->view()->url().isLocalFile());
    }

    // The starting address is listed; the buttons leave the address box as it was.
    void toolbar()
    {
        Browser b(m_settings, m_server.url("/a"));
        QCOMPARE(b.cboAddress->count(), 1);
        QVERIFY(b.shows("Page A"));
        QCOMPARE(b.captions, QStringList({"Working...", "Page A"}));
        const std::pair<const char *, const char *> steps[] = {
            {"Home", "Page B"},    {"Search", "Page C"},  {"Back", "Page B"},
            {"Back", "Page A"},    {"Back", "Page A"},    {"Forward", "Page B"},
            {"Forward", "Page C"}, {"Forward", "Page C"}, {"Refresh", "Page C"}};
        for (const auto &[key, title] : steps) {
            b.click(key);
            QVERIFY2(b.shows(title), key);
        }
        QCOMPARE(b.completions.count(), 1 + 9 - 2); // moves past either end load nothing
        QCOMPARE(b.cboAddress->currentText(), m_server.url("/a"));
    }

    void stop()
    {
        // Before the engine has started: no page yet, and the navigation still completes once.
        Browser b(m_settings);
        b.go(m_slow.url("/"));
        b.click("Stop");
        QVERIFY(!b.timTimer->isActive() && !b.brw->Busy());
        QTRY_COMPARE(b.completions.count(), 1);

        // While a page does not come: at once the name of the page shown, the timer off.
        b.go(m_server.url("/a"));
        QVERIFY(b.shows("Page A"));
        const qsizetype asked = m_slow.count("GET /");
        b.go(m_slow.url("/"));
        QTRY_VERIFY_WITH_TIMEOUT(m_slow.count("GET /") > asked && b.window.windowTitle() == "Working...", loadTimeout);
        b.click("Stop");
        QCOMPARE(b.window.windowTitle(), "Page A");
        QVERIFY(!b.timTimer->isActive());
        QTRY_COMPARE_WITH_TIMEOUT(b.completions.count(), 3, loadTimeout);
        b.go(m_server.url("/b")); // once only: the next completion counted is the next page's
        QVERIFY(b.shows("Page B"));
        QCOMPARE(b.completions.count(), 4);
    }

    // The bars span the top, the address box reaches the right edge and the page fills the rest;
    // nothing reaches outside the window, however small.
    void layoutFillsWindow()
    {
        Browser b(m_settings);
        // Roomy, lower than the toolbar, narrower than the address box's left margin.
        for (const QSize client : {QSize(600, 400), QSize(200, 20), QSize(2, 200)}) {
            b.window.resize(client);
            const BrowserLayout layout = browserLayout(client, b.cboAddress->geometry());
            QCOMPARE(b.brw->geometry(), layout.brwWebBrowser); // as the window placed it
            for (const QRect &part : {layout.tbToolBar, layout.picAddress, layout.brwWebBrowser}) {
                QCOMPARE(part.width(), client.width());
                QVERIFY(part.height() >= 0 && (part.isEmpty() || QRect({}, client).contains(part)));
            }
            const QRect address = b.cboAddress->geometry();
            QCOMPARE(layout.tbToolBar.top(), 0);
            QVERIFY(layout.brwWebBrowser.top() >= layout.picAddress.top() + address.bottom() + 1);
            QCOMPARE(layout.brwWebBrowser.bottom() + 1, qMax(client.height(), layout.brwWebBrowser.top()));
            QCOMPARE(address.right() + 1, qMax(client.width(), address.left()));
        }
    }

private:
    ScriptedServer m_server;
    ScriptedServer m_slow;
    QTemporaryDir m_pages;
    FakeSettings m_settings;
};

QTEST_MAIN(tst_browser)
#include "tst_browser.moc"
