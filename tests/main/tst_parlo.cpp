#include "Controls.h"
#include "Fakes.h"
#include "LinuxFacts.h"
#include "parlo.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHostAddress>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class tst_parlo : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void labels_data();
    void labels();
    void valueStandsOnSecondLine();
    void controls_data();
    void controls();
    void menu();
    void clearEmptiesOnlyTheMessage();
    void exitAndItsPictureEndTheProgram();
    void focusAndTabOrder();
    void fixedBorder();
    void realHostFillsTheLabels();
    void menuOpensOneInstance();
    void closedWindowOpensAfresh();
    void closingMainWindowLeavesOthersOpen();
    void telnetStartsAClientEachTime();
    void telnetFailureIsShown();

private:
    std::unique_ptr<QTemporaryDir> m_temp;
    std::unique_ptr<FakeHost> m_fake;
};

void tst_parlo::init()
{
    m_temp = std::make_unique<QTemporaryDir>();
    m_fake = std::make_unique<FakeHost>(m_temp->path());
}

void tst_parlo::labels_data()
{
    QTest::addColumn<std::optional<QString>>("name");
    QTest::addColumn<QString>("domain");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("label1");
    QTest::addColumn<QString>("label2");
    QTest::addColumn<QString>("label3");
    QTest::addColumn<QString>("label4");

    QTest::newRow("all set") << std::optional<QString>(QStringLiteral("ABCDEFGHIJKLMNO")) << "OFFICE"
                             << "ann" << "Your Local IP is 10.0.0.7"
                             << "Your WS name is:\rABCDEFGHIJKLMNO"
                             << "Your Domain name is:\rOFFICE"
                             << "Your User name is:\rann";
    QTest::newRow("no domain, no user") << std::optional<QString>(QStringLiteral("pc")) << ""
                                        << "" << "Your Local IP is 10.0.0.7"
                                        << "Your WS name is:\rpc"
                                        << "Your Domain name is:\r"
                                        << "Your User name is:\r";
    QTest::newRow("no computer name") << std::optional<QString>() << "D" << "u"
                                      << "Your Local IP is 10.0.0.7" << ""
                                      << "Your Domain name is:\rD"
                                      << "Your User name is:\ru";
}

void tst_parlo::labels()
{
    QFETCH(std::optional<QString>, name);
    QFETCH(QString, domain);
    QFETCH(QString, user);
    m_fake->facts.name = name;
    if (!domain.isEmpty())
        m_fake->facts.variables.insert(QStringLiteral("userdomain"), domain);
    if (!user.isEmpty())
        m_fake->facts.variables.insert(QStringLiteral("username"), user);

    parlo window(m_fake->host());

    QTEST(window.findChild<CaptionLabel *>(QStringLiteral("Label1"))->caption(), "label1");
    QTEST(window.findChild<CaptionLabel *>(QStringLiteral("Label2"))->caption(), "label2");
    QTEST(window.findChild<CaptionLabel *>(QStringLiteral("Label3"))->caption(), "label3");
    QTEST(window.findChild<CaptionLabel *>(QStringLiteral("Label4"))->caption(), "label4");
}

void tst_parlo::valueStandsOnSecondLine()
{
    m_fake->facts.variables.insert(QStringLiteral("username"), QStringLiteral("ann"));
    parlo window(m_fake->host());
    window.show();
    auto *label = window.findChild<CaptionLabel *>(QStringLiteral("Label4"));
    QCOMPARE(label->text(), QStringLiteral("Your User name is:\nann"));
    // Two lines of text fit in the label's height.
    QVERIFY(2 * label->fontMetrics().lineSpacing() <= label->height());
}

void tst_parlo::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QRect>("geometry");

    // clang-format off
    QTest::newRow("Frame2") << "Frame2" << "Enter Name or Choose Below" << "" << twipsRect(0, 1200, 3375, 975);
    QTest::newRow("txtno") << "txtno" << "" << "Enter the name to be added" << twipsRect(120, 1440, 3135, 315);
    QTest::newRow("cmdAdd") << "cmdAdd" << "Add Alias" << "" << twipsRect(3480, 1320, 1215, 375);
    QTest::newRow("Combo1") << "Combo1" << "" << "Pick an address to send message" << twipsRect(120, 1800, 3135, 315);
    QTest::newRow("cmdGetalias") << "cmdGetalias" << "Get Aliases" << "Get the IP's of all computers in the network" << twipsRect(3480, 1800, 1215, 375);
    QTest::newRow("Frame1") << "Frame1" << "Type a message" << "" << twipsRect(0, 2280, 4695, 2055);
    QTest::newRow("txtmsg") << "txtmsg" << "" << "" << twipsRect(120, 2520, 4455, 1695);
    QTest::newRow("cmdSend") << "cmdSend" << "         Parlo" << "Send" << twipsRect(120, 4440, 1575, 615);
    QTest::newRow("Picture2") << "Picture2" << "" << "" << twipsRect(240, 4560, 375, 375);
    QTest::newRow("cmdClear") << "cmdClear" << "Clear" << "Clear text" << twipsRect(1800, 4440, 1215, 615);
    QTest::newRow("cmdExit") << "cmdExit" << " Exit" << "" << twipsRect(3120, 4440, 1455, 615);
    QTest::newRow("Picture1") << "Picture1" << "" << "" << twipsRect(3240, 4680, 255, 255);
    QTest::newRow("Label1") << "Label1" << "" << "" << twipsRect(120, 120, 2055, 375);
    QTest::newRow("Label4") << "Label4" << "" << "" << twipsRect(2280, 600, 2415, 495);
    // clang-format on
}

void tst_parlo::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, toolTip);
    QFETCH(QRect, geometry);
    parlo window(m_fake->host());
    auto *control = window.findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(), geometry);
    QCOMPARE(control->toolTip(), toolTip);
    if (auto *button = qobject_cast<QAbstractButton *>(control))
        QCOMPARE(button->text(), caption);
    else if (auto *frame = qobject_cast<QGroupBox *>(control))
        QCOMPARE(frame->title(), caption);
}

void tst_parlo::menu()
{
    parlo window(m_fake->host());
    QStringList shown;
    const auto entries = window.menuBar()->actions();
    for (QAction *entry : entries) {
        QString line = entry->text();
        if (QMenu *menu = entry->menu()) {
            const auto items = menu->actions();
            for (QAction *item : items) {
                line += u'|' + item->objectName() + u':' + item->text();
                // Without makers the window items cannot act.
                const bool opensWindow = entry->text() == u"Applications" || entry->text() == u"Help";
                QCOMPARE(item->isEnabled(), !opensWindow || item->objectName() == u"mtelnet");
            }
        }
        shown << line;
    }
    QCOMPARE(shown, (QStringList{
                        "Send|mlist1:Send to List1|mlist2:Send to List2|mlist3:Send to List3|mlist4:Send to List4",
                        "Edit|mEAlias:Edit Alias File|eList1:Edit List1|mElist2:Edit List2|mElist3:Edit "
                        "List3|mElist4:Edit List4",
                        "Applications|mArp:Arp|mNetstat:Netstat|mtelnet:Telnet|mvdos:Virtual "
                        "DOS|mwhois:Whois|mIpconfig:IP Config|mNsLookup:NsLookup|mPing:Ping|mtracert:Trace Route",
                        "Win Info",
                        "Help|mabout:About",
                        "Browser",
                    }));
    QVERIFY(window.findChild<QAction *>(QStringLiteral("mwininfo")));
    QVERIFY(window.findChild<QAction *>(QStringLiteral("mbrowser")));
}

void tst_parlo::clearEmptiesOnlyTheMessage()
{
    m_fake->facts.variables.insert(QStringLiteral("username"), QStringLiteral("ann"));
    parlo window(m_fake->host());
    auto *txtno = window.findChild<QLineEdit *>(QStringLiteral("txtno"));
    auto *combo = window.findChild<QComboBox *>(QStringLiteral("Combo1"));
    auto *txtmsg = window.findChild<QPlainTextEdit *>(QStringLiteral("txtmsg"));
    txtno->setText(QStringLiteral("PC1"));
    combo->addItems({QStringLiteral("PC2"), QStringLiteral("PC3")});
    combo->setEditText(QStringLiteral("PC3"));
    txtmsg->setPlainText(QStringLiteral("hello\nthere"));

    window.findChild<QAbstractButton *>(QStringLiteral("cmdClear"))->click();

    QCOMPARE(txtmsg->toPlainText(), QString());
    QCOMPARE(txtno->text(), QStringLiteral("PC1"));
    QCOMPARE(combo->count(), 2);
    QCOMPARE(combo->currentText(), QStringLiteral("PC3"));
    QCOMPARE(window.findChild<CaptionLabel *>(QStringLiteral("Label4"))->caption(),
             QStringLiteral("Your User name is:\rann"));
    QVERIFY(m_fake->runner.calls.isEmpty());
}

void tst_parlo::exitAndItsPictureEndTheProgram()
{
    parlo window(m_fake->host());
    window.show();
    QSignalSpy exits(&window, &parlo::exitRequested);
    window.findChild<QAbstractButton *>(QStringLiteral("cmdExit"))->click();
    QCOMPARE(exits.count(), 1);
    QTest::mouseClick(window.findChild<QWidget *>(QStringLiteral("Picture1")), Qt::LeftButton);
    QCOMPARE(exits.count(), 2);
    // A click on the other picture is not an exit.
    QTest::mouseClick(window.findChild<QWidget *>(QStringLiteral("Picture2")), Qt::LeftButton);
    QCOMPARE(exits.count(), 2);
}

void tst_parlo::focusAndTabOrder()
{
    parlo window(m_fake->host());
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    auto focusName = [] {
        for (QWidget *w = QApplication::focusWidget(); w; w = w->parentWidget()) {
            if (!w->objectName().isEmpty() && !w->objectName().startsWith(u"qt_"))
                return w->objectName();
        }
        return QString();
    };
    QStringList order{focusName()};
    for (int i = 0; i < 8; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << focusName();
    }
    QCOMPARE(order, (QStringList{"txtno", "txtmsg", "Combo1", "cmdSend", "cmdGetalias", "cmdExit", "cmdClear",
                                 "cmdAdd", "txtno"}));
}

void tst_parlo::fixedBorder()
{
    parlo window(m_fake->host());
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QCOMPARE(window.centralWidget()->size(), QSize(324, 350));
    QVERIFY(!window.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(window.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QCOMPARE(window.windowTitle(), QStringLiteral("Parlo"));
    QVERIFY(window.findChild<QPlainTextEdit *>(QStringLiteral("txtmsg"))->font().bold());
    QVERIFY(!window.findChild<QLineEdit *>(QStringLiteral("txtno"))->font().bold());
    QVERIFY(!window.windowIcon().isNull());
}

void tst_parlo::realHostFillsTheLabels()
{
    LinuxFacts facts;
    Host host{m_fake->runner, m_fake->launcher, m_fake->messages, facts, m_fake->paths};
    parlo window(host);

    const QString ip = window.findChild<CaptionLabel *>(QStringLiteral("Label1"))->caption();
    QVERIFY(ip.startsWith(QStringLiteral("Your Local IP is ")));
    QCOMPARE(QHostAddress(ip.mid(17)).protocol(), QAbstractSocket::IPv4Protocol);
    const QString name = window.findChild<CaptionLabel *>(QStringLiteral("Label2"))->caption();
    QVERIFY(name.startsWith(QStringLiteral("Your WS name is:\r")));
    QVERIFY(name.size() > 17);
}

namespace {

// A window that counts how often windows of its kind were made.
struct Made
{
    int count = 0;
};

WindowMakers pingMaker(Made &made)
{
    return {{QStringLiteral("ping"), [&made](Host) {
                 ++made.count;
                 auto *window = new QWidget;
                 window->setObjectName(QStringLiteral("ping"));
                 return window;
             }}};
}

void choose(parlo &window, const char *item)
{
    QAction *action = window.findChild<QAction *>(QLatin1String(item));
    QVERIFY(action);
    QVERIFY(action->isEnabled());
    action->trigger();
}

} // namespace

void tst_parlo::menuOpensOneInstance()
{
    Made made;
    parlo window(m_fake->host(), pingMaker(made));
    QVERIFY(!window.findChild<QAction *>(QStringLiteral("mArp"))->isEnabled());

    choose(window, "mPing");
    QWidget *first = window.instance(QStringLiteral("ping"));
    QVERIFY(first && first->isVisible());
    first->setWindowTitle(QStringLiteral("changed by the user"));
    choose(window, "mPing");
    QCOMPARE(made.count, 1);
    QCOMPARE(window.instance(QStringLiteral("ping")), first);
    QCOMPARE(first->windowTitle(), QStringLiteral("changed by the user"));
}

void tst_parlo::closedWindowOpensAfresh()
{
    Made made;
    parlo window(m_fake->host(), pingMaker(made));
    choose(window, "mPing");
    QPointer<QWidget> first = window.instance(QStringLiteral("ping"));
    first->close();
    QTRY_VERIFY(first.isNull()); // unloaded with its contents
    QVERIFY(!window.instance(QStringLiteral("ping")));
    choose(window, "mPing");
    QCOMPARE(made.count, 2);
    QVERIFY(window.instance(QStringLiteral("ping"))->isVisible());
}

void tst_parlo::closingMainWindowLeavesOthersOpen()
{
    Made made;
    parlo window(m_fake->host(), pingMaker(made));
    window.show();
    choose(window, "mPing");
    window.close();
    QVERIFY(!window.isVisible());
    QVERIFY(window.instance(QStringLiteral("ping"))->isVisible());
}

void tst_parlo::telnetStartsAClientEachTime()
{
    parlo window(m_fake->host());
    choose(window, "mtelnet");
    choose(window, "mtelnet");
    QCOMPARE(m_fake->launcher.calls.size(), 2);
    for (const LaunchCall &call : std::as_const(m_fake->launcher.calls)) {
        QCOMPARE(call.commandLine, QStringLiteral("telnet.exe"));
        QCOMPARE(call.windowStyle, 1);
    }
    QVERIFY(m_fake->messages.boxes.isEmpty());
}

void tst_parlo::telnetFailureIsShown()
{
    m_fake->launcher.next = {0, QStringLiteral("Cannot start telnet.exe: the program was not found.")};
    parlo window(m_fake->host());
    choose(window, "mtelnet");
    QCOMPARE(m_fake->messages.boxes.size(), 1);
    QCOMPARE(m_fake->messages.boxes[0].text, m_fake->launcher.next.error);
    QCOMPARE(m_fake->messages.boxes[0].title, QStringLiteral("Parlo"));
}

QTEST_MAIN(tst_parlo)
#include "tst_parlo.moc"
