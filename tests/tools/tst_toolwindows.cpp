#include "Fakes.h"
#include "ToolWindows.h"
#include "parlo.h"

#include <QAction>
#include <QCheckBox>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// A recording runner (window style 6 goes without saying) that can also act while a command runs.
class ScriptedRunner final : public CommandRunner
{
public:
    Capture RunCapture(const QString &command, int windowStyle) override
    {
        lines << (windowStyle == 6 ? command : QStringLiteral("style %1: ").arg(windowStyle) + command);
        if (during)
            during();
        return next;
    }
    QStringList lines;
    Capture next;
    std::function<void()> during;
};

QWidget *child(QWidget *window, const QString &name)
{
    return window->findChild<QWidget *>(name);
}

// The text of a box or label, or of the window's output box.
QString textOf(QWidget *box)
{
    return box->property(box->property("plainText").isValid() ? "plainText" : "text").toString();
}

QWidget *outputOf(QWidget *window)
{
    return child(window,
                 child(window, QStringLiteral("Text1")) ? QStringLiteral("Text1") : QStringLiteral("RichTextBox1"));
}

// Works a window by steps separated by '|': "Name=text" fills a box, "+Name" ticks and
// "~Name" greys a check box, "!Name" clicks a button, "^Name" presses Enter in a box.
void act(QWidget *window, const QString &script)
{
    const QStringList steps = script.split(u'|', Qt::SkipEmptyParts);
    for (const QString &step : steps) {
        QWidget *control =
            child(window, step.section(u'=', 0, 0).remove(QRegularExpression(QStringLiteral("^[+~!^]"))));
        if (step.contains(u'='))
            control->setProperty("text", step.section(u'=', 1));
        else if (step[0] == u'+' || step[0] == u'~')
            qobject_cast<QCheckBox *>(control)->setCheckState(step[0] == u'+' ? Qt::Checked : Qt::PartiallyChecked);
        else if (step[0] == u'!')
            qobject_cast<QPushButton *>(control)->click();
        else
            QTest::keyClick(control, Qt::Key_Return);
    }
}

} // namespace

class tst_ToolWindows : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void run_data();
    void run();
    void tracertStatus();
    void closeWhileRunningWaitsForTheRun();
    void menuOpensOneFreshInstance_data();
    void menuOpensOneFreshInstance();

private:
    QWidget *open(const QString &name);

    QTemporaryDir m_temp;
    std::unique_ptr<FakeHost> m_fake;
    ScriptedRunner m_runner;
    std::unique_ptr<QWidget> m_window;
};

void tst_ToolWindows::init()
{
    m_window.reset();
    m_fake = std::make_unique<FakeHost>(m_temp.path());
    m_runner = {};
}

QWidget *tst_ToolWindows::open(const QString &name)
{
    Host host{m_runner, m_fake->launcher, m_fake->messages, m_fake->facts, m_fake->paths};
    m_window.reset(toolWindowMakers().value(name)(host));
    m_window->show();
    return m_window.get();
}

void tst_ToolWindows::run_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("error");     // what the runner fails with, if it does
    QTest::addColumn<QStringList>("lines"); // what ran after opening
    QTest::addColumn<QString>("box");       // "i" for the information icon, then the text

    const QString ping = "iType an IP address to ping!", trace = "iType an  IP address to trace!";
    const QString lookUp = "iType a domain name like \"example.com\" !", failed = "Cannot run: no temporary folder.";
    // clang-format off
    QTest::newRow("ping button") << "ping" << "Text2=10.0.0.1|!Command1" << "" << QStringList{"ping 10.0.0.1"} << "";
    QTest::newRow("ping Enter, blanks kept") << "ping" << "Text2= a |^Text2" << "" << QStringList{"ping  a "} << "";
    QTest::newRow("ping empty") << "ping" << "^Text2|!Command1" << "" << QStringList() << ping;
    QTest::newRow("ping fails") << "ping" << "Text2=kept|!Command1" << failed << QStringList{"ping kept"} << " " + failed;
    QTest::newRow("tracert") << "tracert" << "Text2=10.0.0.1|!Command1" << "" << QStringList{"tracert  -d  -h 5 -w 200 10.0.0.1"} << "";
    QTest::newRow("tracert options kept") << "tracert" << "tHop=30|Text2=a|^Text2|Text2=b|!Command1" << ""
        << QStringList{"tracert  -d  -h 30 -w 200 a", "tracert  -d  -h 30 -w 200 b"} << "";
    QTest::newRow("tracert as typed") << "tracert" << "tHop=|tTime=x y|Text2=h|!Command1" << "" << QStringList{"tracert  -d  -h  -w x y h"} << "";
    QTest::newRow("tracert empty Enter") << "tracert" << "^Text2" << "" << QStringList{"tracert  -d  -h 5 -w 200 "} << "";
    QTest::newRow("tracert empty button") << "tracert" << "!Command1" << "" << QStringList() << trace;
    QTest::newRow("tracert fails") << "tracert" << "Text2=kept|!Command1" << failed << QStringList{"tracert  -d  -h 5 -w 200 kept"} << " " + failed;
    QTest::newRow("nslookup") << "nslookup" << "Text2=example.org|!Command1|Text2= |^Text2" << "" << QStringList{"nslookup example.org", "nslookup  "} << "";
    QTest::newRow("nslookup empty") << "nslookup" << "^Text2|!Command1" << "" << QStringList() << lookUp;
    QTest::newRow("ipconfig") << "ipcfig" << "!Command1|~Check1|!Command1|+Check1|!Command1" << "" << QStringList{"ipconfig ", "ipconfig ", "ipconfig  /all"} << "";
    QTest::newRow("renew, release") << "ipcfig" << "+Check1|!Command3|!Command4" << "" << QStringList{"ipconfig /renew", "ipconfig /release"} << "";
    QTest::newRow("ipconfig Enter") << "ipcfig" << "^Text1" << "" << QStringList() << " Just click the IP Config button with or without the /All option";
    QTest::newRow("vdos, empty line too") << "vdos" << "Text2=cd x|^Text2|^Text2" << "" << QStringList{"cd x", ""} << "";
    QTest::newRow("vdos fails") << "vdos" << "Text2=kept|^Text2" << failed << QStringList{"kept"} << " " + failed;
    QTest::newRow("netstat none") << "fNetstat" << "!Command1" << "" << QStringList{"cmd  /c netstat"} << "";
    QTest::newRow("netstat -a") << "fNetstat" << "+Check1|!Command1" << "" << QStringList{"cmd /c netstat  -a"} << "";
    QTest::newRow("netstat -e, greyed -r") << "fNetstat" << "+Check2|~Check4|!Command1" << "" << QStringList{"cmd /c netstat  -e"} << "";
    QTest::newRow("netstat -a -n") << "fNetstat" << "+Check1|+Check3|!Command1" << "" << QStringList{"cmd /c netstat  -n"} << "";
    QTest::newRow("netstat all") << "fNetstat" << "+Check1|+Check2|+Check3|+Check4|!Command1" << "" << QStringList{"cmd /c netstat  -r"} << "";
    QTest::newRow("arp, ticked or not") << "Arp" << "!cArp|+Check1|!cArp" << "" << QStringList{"arp -a", "arp -a"} << "";
    QTest::newRow("arp fails") << "Arp" << "!cArp" << failed << QStringList{"arp -a"} << " " + failed;
    // clang-format on
}

void tst_ToolWindows::run()
{
    QFETCH(QString, window);
    QFETCH(QString, error);
    QFETCH(QStringList, lines);
    QFETCH(QString, box);
    QWidget *w = open(window);
    // The windows with an input box run it, empty, once on opening.
    const bool loads = window == u"ping" || window == u"tracert" || window == u"nslookup";
    QCOMPARE(m_runner.lines, loads ? QStringList{""} : QStringList());
    m_runner.lines.clear();
    outputOf(w)->setProperty("plainText", QStringLiteral("before"));
    m_runner.next = {QStringLiteral("out\r\n"), error};

    QFETCH(QString, script);
    act(w, script);

    QCOMPARE(m_runner.lines, lines);
    // The output is replaced, never appended to; a failed run leaves it and the input alone.
    const bool replaced = !lines.isEmpty() && error.isEmpty();
    QCOMPARE(textOf(outputOf(w)), replaced ? QStringLiteral("out\n") : QStringLiteral("before"));
    if (QWidget *input = child(w, QStringLiteral("Text2")))
        QCOMPARE(textOf(input), error.isEmpty() ? QString() : QStringLiteral("kept"));
    if (QWidget *status = child(w, QStringLiteral("Label1"))) // a trace that never ran is not under way
        QCOMPARE(textOf(status), replaced ? QStringLiteral("Done") : QString());
    QCOMPARE(m_fake->messages.boxes.size(), box.isEmpty() ? 0 : 1);
    if (!box.isEmpty()) {
        QCOMPARE(m_fake->messages.boxes[0].text, box.mid(1));
        QCOMPARE(m_fake->messages.boxes[0].title, QStringLiteral("Parlo"));
        QCOMPARE(m_fake->messages.boxes[0].icon, box[0] == u'i' ? BoxIcon::Information : BoxIcon::None);
    }
}

void tst_ToolWindows::tracertStatus()
{
    QWidget *w = open(QStringLiteral("tracert"));
    QWidget *status = child(w, QStringLiteral("Label1"));
    const QString wait = QStringLiteral(" Please wait a few moments....");
    QTest::keyClicks(child(w, QStringLiteral("Text2")), QStringLiteral("1"));
    QCOMPARE(textOf(status), wait); // although nothing runs
    QCOMPARE(textOf(child(w, QStringLiteral("Text2"))), QStringLiteral("1"));
    QString whileRunning;
    m_runner.during = [&] { whileRunning = textOf(status); };
    act(w, QStringLiteral("^Text2"));
    QCOMPARE(whileRunning, wait);
    QCOMPARE(textOf(status), QStringLiteral("Done"));
    act(w, QStringLiteral("!Command1")); // empty: the message, and the status stays
    QCOMPARE(textOf(status), QStringLiteral("Done"));
    act(w, QStringLiteral("Text2=h|!Command1"));
    QCOMPARE(whileRunning, wait);
    QCOMPARE(m_runner.lines.size(), 3);
}

void tst_ToolWindows::closeWhileRunningWaitsForTheRun()
{
    QPointer<QWidget> w = open(QStringLiteral("ping"));
    w->setAttribute(Qt::WA_DeleteOnClose);
    m_window.release(); // the window now deletes itself
    m_runner.next.text = QStringLiteral("Reply");
    m_runner.during = [w] {
        // A close from the title bar, while the runner's guard spins its own loop.
        QEventLoop loop;
        QTimer::singleShot(0, w, &QWidget::close);
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
        loop.exec();
    };
    act(w, QStringLiteral("Text2=10.0.0.1|!Command1"));
    QVERIFY(w); // the handler finished on a whole window
    QCOMPARE(textOf(outputOf(w)), QStringLiteral("Reply"));
    QTRY_VERIFY(w.isNull()); // and the close went through afterwards
}

void tst_ToolWindows::menuOpensOneFreshInstance_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("exit");
    QTest::newRow("Ping") << "mPing"
                          << "ping"
                          << "Command2";
    QTest::newRow("Trace Route") << "mtracert"
                                 << "tracert"
                                 << "Command2";
    QTest::newRow("NsLookup") << "mNsLookup"
                              << "nslookup"
                              << "Command2";
    QTest::newRow("IP Config") << "mIpconfig"
                               << "ipcfig"
                               << "Command2";
    QTest::newRow("Virtual DOS") << "mvdos"
                                 << "vdos"
                                 << "Command1";
    QTest::newRow("Netstat") << "mNetstat"
                             << "fNetstat"
                             << "Command2";
    QTest::newRow("Arp") << "mArp"
                         << "Arp"
                         << "Command2";
}

void tst_ToolWindows::menuOpensOneFreshInstance()
{
    QFETCH(QString, item);
    QFETCH(QString, window);
    QFETCH(QString, exit);
    parlo main(m_fake->host(), toolWindowMakers());
    QAction *menuItem = main.findChild<QAction *>(item);
    auto ticked = [&] { return main.instance(window)->findChildren<QCheckBox *>().value(0); };

    menuItem->trigger();
    QPointer<QWidget> first = main.instance(window);
    QVERIFY(first && first->isVisible() && !first->parentWidget());
    const qsizetype loads = m_fake->runner.calls.size();
    outputOf(first)->setProperty("plainText", QStringLiteral("kept"));
    if (ticked())
        ticked()->setChecked(true);
    menuItem->trigger(); // nothing new, nothing reset
    QCOMPARE(main.instance(window), first.data());
    QCOMPARE(textOf(outputOf(first)), QStringLiteral("kept"));
    QCOMPARE(m_fake->runner.calls.size(), loads);

    qobject_cast<QPushButton *>(child(first, exit))->click();
    QTRY_VERIFY(first.isNull());
    menuItem->trigger(); // a new instance, loaded again
    QVERIFY(main.instance(window)->isVisible());
    QCOMPARE(textOf(outputOf(main.instance(window))), QString());
    QVERIFY(!ticked() || !ticked()->isChecked());
    QCOMPARE(m_fake->runner.calls.size(), 2 * loads);
}

QTEST_MAIN(tst_ToolWindows)
#include "tst_toolwindows.moc"
