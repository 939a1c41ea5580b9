#include "Fakes.h"
#include "ToolTest.h"
#include "ToolWindows.h"
#include "parlo.h"

#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QTemporaryDir>

// The tool windows as the main window's menu opens them.
class tst_ToolMenu : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void everyItemOpensItsWindow_data();
    void everyItemOpensItsWindow();
    void secondChoiceChangesNothing_data();
    void secondChoiceChangesNothing();
    void exitThenReopenStartsAfresh_data();
    void exitThenReopenStartsAfresh();
    void closeBoxThenReopenStartsAfresh();

private:
    void choose(const char *item);

    std::unique_ptr<QTemporaryDir> m_temp;
    std::unique_ptr<FakeHost> m_fake;
    std::unique_ptr<parlo> m_main;
};

void tst_ToolMenu::init()
{
    m_main.reset();
    m_temp = std::make_unique<QTemporaryDir>();
    m_fake = std::make_unique<FakeHost>(m_temp->path());
    m_main = std::make_unique<parlo>(m_fake->host(), toolWindowMakers());
}

void tst_ToolMenu::choose(const char *item)
{
    QAction *action = m_main->findChild<QAction *>(QLatin1String(item));
    QVERIFY(action);
    QVERIFY(action->isEnabled());
    action->trigger();
}

namespace {

void addItems()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("exit");
    QTest::addColumn<int>("loadRuns");
    QTest::newRow("Ping") << "mPing"
                          << "ping"
                          << "Command2" << 1;
    QTest::newRow("Trace Route") << "mtracert"
                                 << "tracert"
                                 << "Command2" << 1;
    QTest::newRow("NsLookup") << "mNsLookup"
                              << "nslookup"
                              << "Command2" << 1;
    QTest::newRow("IP Config") << "mIpconfig"
                               << "ipcfig"
                               << "Command2" << 0;
    QTest::newRow("Virtual DOS") << "mvdos"
                                 << "vdos"
                                 << "Command1" << 0;
    QTest::newRow("Netstat") << "mNetstat"
                             << "fNetstat"
                             << "Command2" << 0;
    QTest::newRow("Arp") << "mArp"
                         << "Arp"
                         << "Command2" << 0;
}

// Puts something into every box and ticks every check box, as a user might.
void fillIn(QWidget *window)
{
    const auto lines = window->findChildren<QLineEdit *>();
    for (QLineEdit *line : lines)
        line->setText(QStringLiteral("typed"));
    const auto plains = window->findChildren<QPlainTextEdit *>();
    for (QPlainTextEdit *plain : plains)
        plain->setPlainText(QStringLiteral("shown"));
    const auto riches = window->findChildren<QTextEdit *>();
    for (QTextEdit *rich : riches)
        rich->setPlainText(QStringLiteral("shown"));
    const auto boxes = window->findChildren<QCheckBox *>();
    for (QCheckBox *box : boxes)
        box->setChecked(true);
}

// Whether every box and check box holds what a new window starts with.
bool isFresh(QWidget *window)
{
    const auto lines = window->findChildren<QLineEdit *>();
    for (QLineEdit *line : lines) {
        const QString initial = line->objectName() == u"tHop"    ? QStringLiteral("5")
                                : line->objectName() == u"tTime" ? QStringLiteral("200")
                                                                 : QString();
        if (line->text() != initial)
            return false;
    }
    const auto plains = window->findChildren<QPlainTextEdit *>();
    for (QPlainTextEdit *plain : plains) {
        if (!plain->toPlainText().isEmpty())
            return false;
    }
    const auto riches = window->findChildren<QTextEdit *>();
    for (QTextEdit *rich : riches) {
        if (!rich->toPlainText().isEmpty())
            return false;
    }
    const auto boxes = window->findChildren<QCheckBox *>();
    for (QCheckBox *box : boxes) {
        if (box->isChecked())
            return false;
    }
    return true;
}

} // namespace

void tst_ToolMenu::everyItemOpensItsWindow_data()
{
    addItems();
}

void tst_ToolMenu::everyItemOpensItsWindow()
{
    QFETCH(QString, item);
    QFETCH(QString, window);
    QFETCH(int, loadRuns);
    choose(qPrintable(item));
    QWidget *w = m_main->instance(window);
    QVERIFY(w);
    QCOMPARE(w->objectName(), window);
    QVERIFY(w->isVisible());
    QVERIFY(w->isWindow());
    QVERIFY(!w->parentWidget());
    QCOMPARE(m_fake->runner.calls.size(), loadRuns);
    QVERIFY(isFresh(w));
}

void tst_ToolMenu::secondChoiceChangesNothing_data()
{
    addItems();
}

void tst_ToolMenu::secondChoiceChangesNothing()
{
    QFETCH(QString, item);
    QFETCH(QString, window);
    QFETCH(int, loadRuns);
    choose(qPrintable(item));
    QWidget *first = m_main->instance(window);
    fillIn(first);
    choose(qPrintable(item));
    QCOMPARE(m_main->instance(window), first);
    QCOMPARE(m_fake->runner.calls.size(), loadRuns);
    QVERIFY(!isFresh(first));
    int windows = 0;
    const auto tops = QApplication::topLevelWidgets();
    for (QWidget *top : tops)
        windows += top->objectName() == window;
    QCOMPARE(windows, 1);
}

void tst_ToolMenu::exitThenReopenStartsAfresh_data()
{
    addItems();
}

void tst_ToolMenu::exitThenReopenStartsAfresh()
{
    QFETCH(QString, item);
    QFETCH(QString, window);
    QFETCH(QString, exit);
    QFETCH(int, loadRuns);
    choose(qPrintable(item));
    QPointer<QWidget> first = m_main->instance(window);
    fillIn(first);
    click(first, qPrintable(exit));
    QTRY_VERIFY(first.isNull());

    choose(qPrintable(item));
    QWidget *second = m_main->instance(window);
    QVERIFY(second);
    QVERIFY(second->isVisible());
    QVERIFY(isFresh(second));
    QCOMPARE(m_fake->runner.calls.size(), 2 * loadRuns);
}

void tst_ToolMenu::closeBoxThenReopenStartsAfresh()
{
    choose("mtracert");
    QPointer<QWidget> first = m_main->instance(QStringLiteral("tracert"));
    fillIn(first);
    first->close();
    QTRY_VERIFY(first.isNull());
    choose("mtracert");
    QVERIFY(isFresh(m_main->instance(QStringLiteral("tracert"))));
    QCOMPARE(textOf(control(m_main->instance(QStringLiteral("tracert")), "Label1")), QString());
}

QTEST_MAIN(tst_ToolMenu)
#include "tst_toolmenu.moc"
