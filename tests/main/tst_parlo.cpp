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
    void clearEmptiesOnlyTheMessage();
    void exitAndItsPictureEndTheProgram();
    void focusAndTabOrder();
    void realHostFillsTheLabels();
    void windowsOpenOnce();
    void telnetStartsAClientEachTime();

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
    QTest::addColumn<QStringList>("captions"); // of Label2 to Label4

    QTest::newRow("all set") << std::optional<QString>(QStringLiteral("ABCDEFGHIJKLMNO")) << "OFFICE"
                             << "ann"
                             << QStringList{"Your WS name is:\rABCDEFGHIJKLMNO", "Your Domain name is:\rOFFICE",
                                            "Your User name is:\rann"};
    QTest::newRow("no domain, no user") << std::optional<QString>(QStringLiteral("pc")) << ""
                                        << ""
                                        << QStringList{"Your WS name is:\rpc", "Your Domain name is:\r",
                                                       "Your User name is:\r"};
    QTest::newRow("no computer name") << std::optional<QString>() << "D"
                                      << "u" << QStringList{"", "Your Domain name is:\rD", "Your User name is:\ru"};
}

void tst_parlo::labels()
{
    QFETCH(std::optional<QString>, name);
    QFETCH(QString, domain);
    QFETCH(QString, user);
    QFETCH(QStringList, captions);
    m_fake->facts.name = name;
    if (!domain.isEmpty())
        m_fake->facts.variables.insert(QStringLiteral("userdomain"), domain);
    if (!user.isEmpty())
        m_fake->facts.variables.insert(QStringLiteral("username"), user);

    parlo window(m_fake->host());

    auto label = [&window](int i) { return window.findChild<CaptionLabel *>(QStringLiteral("Label%1").arg(i)); };
    QCOMPARE(label(1)->caption(), QStringLiteral("Your Local IP is 10.0.0.7"));
    QCOMPARE((QStringList{label(2)->caption(), label(3)->caption(), label(4)->caption()}), captions);
    // On screen the value stands on the label's second line.
    QCOMPARE(label(3)->text(), QString(captions[1]).replace(u'\r', u'\n'));
}

void tst_parlo::clearEmptiesOnlyTheMessage()
{
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
    QCOMPARE(combo->currentText(), QStringLiteral("PC3"));
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
    QCOMPARE(order, (QStringList{"txtno", "txtmsg", "Combo1", "cmdSend", "cmdGetalias", "cmdExit", "cmdClear", "cmdAdd",
                                 "txtno"}));
}

void tst_parlo::realHostFillsTheLabels()
{
    LinuxFacts facts;
    parlo window(Host{m_fake->runner, m_fake->launcher, m_fake->messages, facts, m_fake->paths});
    const QString ip = window.findChild<CaptionLabel *>(QStringLiteral("Label1"))->caption();
    QVERIFY(ip.startsWith(QStringLiteral("Your Local IP is ")));
    QCOMPARE(QHostAddress(ip.mid(17)).protocol(), QAbstractSocket::IPv4Protocol);
    const QString name = window.findChild<CaptionLabel *>(QStringLiteral("Label2"))->caption();
    QVERIFY(name.startsWith(QStringLiteral("Your WS name is:\r")) && name.size() > 17);
}

namespace {

void choose(parlo &window, const char *item)
{
    QAction *action = window.findChild<QAction *>(QLatin1String(item));
    QVERIFY(action && action->isEnabled());
    action->trigger();
}

} // namespace

void tst_parlo::windowsOpenOnce()
{
    int made = 0;
    const WindowMakers makers{{QStringLiteral("ping"), [&made](Host) {
                                   ++made;
                                   return new QWidget;
                               }}};
    parlo window(m_fake->host(), makers);
    window.show();
    QVERIFY(!window.findChild<QAction *>(QStringLiteral("mArp"))->isEnabled()); // no maker, no item

    // A second choice neither makes nor resets anything.
    choose(window, "mPing");
    QPointer<QWidget> first = window.instance(QStringLiteral("ping"));
    QVERIFY(first && first->isVisible());
    first->setWindowTitle(QStringLiteral("changed by the user"));
    choose(window, "mPing");
    QCOMPARE(made, 1);
    QCOMPARE(first->windowTitle(), QStringLiteral("changed by the user"));

    // Closing the main window leaves it open; closing it unloads it, and it opens afresh.
    window.close();
    QVERIFY(first->isVisible());
    first->close();
    QTRY_VERIFY(first.isNull());
    choose(window, "mPing");
    QCOMPARE(made, 2);
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

    // A client that cannot start is named in a box.
    m_fake->launcher.next = {0, QStringLiteral("Cannot start telnet.exe: the program was not found.")};
    choose(window, "mtelnet");
    QCOMPARE(m_fake->messages.boxes.size(), 1);
    QCOMPARE(m_fake->messages.boxes[0].text, m_fake->launcher.next.error);
}

QTEST_MAIN(tst_parlo)
#include "tst_parlo.moc"
