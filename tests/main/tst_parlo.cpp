#include "TestFiles.h"
#include "main/AliasBook.h"
#include "main/ListSender.h"
#include "main/Messaging.h"
#include "main/parlo.h"
#include "ui/Controls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

// The main window over a fake host, with its controls at hand.
struct Window
{
    explicit Window(Host host) : window(host) {}
    // Clicks a button or a picture, chooses a menu item, or presses Enter in txtmsg.
    void use(const QString &name)
    {
        if (name == u"Enter") {
            txtmsg->moveCursor(QTextCursor::End);
            QTest::keyClick(txtmsg, Qt::Key_Return);
        } else if (auto *button = window.findChild<QAbstractButton *>(name)) {
            button->click();
        } else if (auto *action = window.findChild<QAction *>(name)) {
            action->trigger();
        } else {
            QTest::mouseClick(window.findChild<QWidget *>(name), Qt::LeftButton);
        }
    }

    parlo window;
    QLineEdit *txtno = window.findChild<QLineEdit *>(QStringLiteral("txtno"));
    QComboBox *Combo1 = window.findChild<QComboBox *>(QStringLiteral("Combo1"));
    QPlainTextEdit *txtmsg = window.findChild<QPlainTextEdit *>(QStringLiteral("txtmsg"));
};

// A runner that shows its literals, each in brackets.
class BracketingRunner final : public CommandRunner
{
public:
    using CommandRunner::RunCapture;
    Capture RunCapture(const QString &, int, const LiveOutput &) override { return {}; }
    QString literal(const QString &text) const override { return u'[' + text + u']'; }
};

} // namespace

class tst_parlo : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_temp;
    std::unique_ptr<FakeHost> m_fake;
    QString file(const QString &name) const { return m_temp->filePath(name); }
    // Fails every program start with the test's failure, when it names one.
    void prepare()
    {
        QFETCH(QString, failure);
        m_fake->launcher.next.error = failure;
    }
    // The programs a step started, then the message boxes it asks for.
    QStringList effects(const Outcome &outcome) const { return lines(m_fake->launcher.calls) + lines(outcome.notices); }

private Q_SLOTS:
    void init()
    {
        m_temp = std::make_unique<QTemporaryDir>();
        m_fake = std::make_unique<FakeHost>(m_temp->path());
        m_fake->runner.next.text = QStringLiteral("The message was successfully sent to BOB.\r\n");
    }

    // Each label shows its fact on its second line; a computer without a name leaves its label empty.
    void labels()
    {
        m_fake->facts.variables = {{QStringLiteral("userdomain"), QStringLiteral("OFFICE")}};
        Window named(m_fake->host());
        m_fake->facts.name.reset();
        Window unnamed(m_fake->host());
        auto text = [](const Window &w, int i) {
            return w.window.findChild<CaptionLabel *>(QStringLiteral("Label%1").arg(i))->text().section(u'\n', -1);
        };
        QCOMPARE((QStringList{text(named, 1), text(named, 2), text(named, 3), text(named, 4), text(unnamed, 2)}),
                 (QStringList{"Your Local IP is 10.0.0.7", "WS1", "OFFICE", "", ""}));
    }

    void exitAndItsPictureEndTheProgram()
    {
        Window w(m_fake->host());
        w.window.show();
        QSignalSpy exits(&w.window, &parlo::exitRequested);
        // The other picture sends.
        for (const auto &[name, count] :
             {std::pair{"cmdExit", 1}, std::pair{"Picture1", 2}, std::pair{"Picture2", 2}}) {
            w.use(QLatin1String(name));
            QCOMPARE(exits.count(), count);
        }
    }

    // A window without a maker has its item disabled; an open one stays open when the main window closes.
    void windowsOutliveTheMainWindow()
    {
        parlo window(m_fake->host(), {{QStringLiteral("ping"), [](Host) -> QWidget * { return new QWidget; }}});
        window.show();
        QVERIFY(!window.findChild<QAction *>(QStringLiteral("mArp"))->isEnabled());
        window.findChild<QAction *>(QStringLiteral("mPing"))->trigger();
        const QPointer<QWidget> ping = window.instance(QStringLiteral("ping"));
        window.close();
        QVERIFY(ping && ping->isVisible());
    }

    // The recipient's words and the message stand in the line as the runner's literals.
    void sendCommandLine()
    {
        QCOMPARE(::sendCommandLine(BracketingRunner(), QStringLiteral("John Smith"), QStringLiteral("a 'b'")),
                 QStringLiteral("net send [John] [Smith] [a 'b']"));
    }

    void send_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("picked");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("runs");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QString>("shown"); // txtmsg afterwards

        const QString reply = QStringLiteral("The message was successfully sent to BOB.\n"); // from CR LF
        const QStringList none;
        const QStringList toBob{"6 net send BOB hello"};
        const QStringList first{"Parlo (i): First type something to send !"};
        // clang-format off
        QTest::newRow("typed, button") << "BOB" << "" << "cmdSend" << toBob << none << reply;
        QTest::newRow("both, typed wins") << "BOB" << "PC7" << "cmdSend" << toBob << none << reply;
        QTest::newRow("picked, picture") << "" << "PC7" << "Picture2" << QStringList{"6 net send PC7 hello"} << none
            << reply;
        QTest::newRow("Enter") << "BOB" << "" << "Enter" << toBob << none << "\n" + reply;
        QTest::newRow("nobody, button") << "" << "" << "cmdSend" << none << first << "hello";
        QTest::newRow("nobody, Enter: just a line break") << "" << "" << "Enter" << none << none << "hello\n";
        QTest::newRow("Clear empties only the message") << "BOB" << "PC7" << "cmdClear" << none << none << "";
        // A NUL would cut the line the shell gets, and the report would replace the message unsent.
        QTest::newRow("NUL in the name") << QString("BO") + QChar(0) + "B" << "" << "cmdSend" << none
            << QStringList{"Parlo: The recipient name holds a NUL character, which net send cannot carry; nothing was "
                           "sent."} << "hello";
        // clang-format on
    }

    void send()
    {
        QFETCH(QString, typed);
        QFETCH(QString, picked);
        QFETCH(QString, how);
        Window w(m_fake->host());
        w.txtno->setText(typed);
        w.Combo1->setEditText(picked);
        w.txtmsg->setPlainText(QStringLiteral("hell"));
        w.txtmsg->moveCursor(QTextCursor::End);
        QTest::keyClicks(w.txtmsg, QStringLiteral("o")); // other keys send nothing
        QVERIFY(m_fake->runner.calls.isEmpty());

        w.use(how);

        QTEST(lines(m_fake->runner.calls), "runs");
        QTEST(lines(m_fake->messages.boxes), "boxes");
        QTEST(w.txtmsg->toPlainText(), "shown");
        QCOMPARE(w.txtno->text(), typed);
        QCOMPARE(w.Combo1->currentText(), picked);
        // The report, a failure's above all, replaced the message as one edit: Undo brings it back.
        if (!m_fake->runner.calls.isEmpty() && how != u"Enter") {
            w.txtmsg->undo();
            QCOMPARE(w.txtmsg->toPlainText(), QStringLiteral("hello"));
        }
    }

    // The alias box offers what the alias book gives; a name that could not be saved stays typed.
    void aliasBox()
    {
        Window w(m_fake->host());
        w.txtno->setText(QStringLiteral("PC1"));
        for (const char *name : {"cmdAdd", "cmdGetalias", "cmdGetalias"})
            w.use(QLatin1String(name));
        QCOMPARE(w.txtno->text(), QString());
        QVERIFY(QFile::remove(file(QStringLiteral("parlo.txt"))) && QDir().mkdir(file(QStringLiteral("parlo.txt"))));
        w.txtno->setText(QStringLiteral("PC2"));
        w.use(QStringLiteral("cmdAdd"));
        QCOMPARE(w.Combo1->itemText(3), QStringLiteral("PC2"));
        QCOMPARE(w.txtno->text(), QStringLiteral("PC2"));
        QCOMPARE(lines(m_fake->messages.boxes), QStringList{"Parlo: Cannot write c:\\parlo.txt: Is a directory"});
    }

    // Each menu item reaches its own list, file or program; what could not start or run is shown, and
    // the message stays.
    void failuresAreShown()
    {
        for (int list = 1; list <= 4; ++list)
            writeFile(file(QStringLiteral("list%1.txt").arg(list)), "PC" + QByteArray::number(list));
        m_fake->launcher.next.error = QStringLiteral("Cannot start it.");
        m_fake->runner.next.error = QStringLiteral("Cannot run it.");
        Window w(m_fake->host());
        w.txtno->setText(QStringLiteral("BOB"));
        w.txtmsg->setPlainText(QStringLiteral("hi"));
        for (const char *use : {"mlist1", "mlist2", "mlist3", "mlist4", "mEAlias", "eList1", "mElist2", "mElist3",
                                "mElist4", "mtelnet", "cmdSend"})
            w.use(QLatin1String(use));
        const QString edit = QStringLiteral("1 notepad.exe c:\\list%1.txt");
        QCOMPARE(lines(m_fake->launcher.calls),
                 (QStringList{"2 net [send] [PC1] [hi]", "2 net [send] [PC2] [hi]", "2 net [send] [PC3] [hi]",
                              "2 net [send] [PC4] [hi]", "1 notepad.exe c:\\parlo.txt", edit.arg(1), edit.arg(2),
                              edit.arg(3), edit.arg(4), "1 telnet.exe"}));
        QCOMPARE(lines(m_fake->messages.boxes), QStringList(10, QStringLiteral("Parlo: Cannot start it."))
                                                    << QStringLiteral("Parlo: Cannot run it."));
        QCOMPARE(w.txtmsg->toPlainText(), QStringLiteral("hi"));
    }

    // The alias book and the list sender on their own.
    void aliasBook_data()
    {
        QTest::addColumn<QByteArray>("before"); // the alias file; null: none
        QTest::addColumn<QString>("step");      // read, or + and the name to add
        QTest::addColumn<QString>("failure");   // of every program start
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("effects");
        QTest::addColumn<QByteArray>("after"); // the alias file

        const QStringList none, pc1{"PC1"};
        const QByteArray old("OLD\r\n"), gone("<missing>"), fields("PC1\r\n  PC9\r\n\r\nA,\"B, C\"\r\n");
        const QString netView = "2 cmd /c net view >c:\\parlo.txt", noCmd = "Cannot start cmd: no such program.";
        // clang-format off
        // An added name reads back as the one entry it was; the file is appended to, with CR LF.
        QTest::newRow("add") << old << "+PC1" << "" << pc1 << none << old + "PC1\r\n";
        QTest::newRow("add with comma") << old << "+Smith, John" << "" << QStringList{"Smith, John"} << none
            << old + "\"Smith, John\"\r\n";
        QTest::newRow("add leading blanks to no file") << QByteArray() << "+  PC9" << "" << QStringList{"  PC9"}
            << none << QByteArray("\"  PC9\"\r\n");
        QTest::newRow("add nothing") << old << "+" << "" << none << QStringList{"Parlo: Nothing to add !"} << old;
        QTest::newRow("read") << fields << "read" << "" << QStringList{"PC1", "PC9", "", "A", "B, C"} << none << fields;
        QTest::newRow("read empty") << QByteArray("") << "read" << "" << none << none << QByteArray("");
        QTest::newRow("read none") << QByteArray() << "read" << "" << none << QStringList{netView,
            "Missing File!: You're missing the file c:\\parlo.txt!", "Parlo: Click \"Get Aliases\" again"} << gone;
        QTest::newRow("read none, no cmd") << QByteArray() << "read" << noCmd << none
            << QStringList{netView, "Parlo: " + noCmd} << gone;
        // clang-format on
    }

    void aliasBook()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, step);
        if (!before.isNull())
            writeFile(file(QStringLiteral("parlo.txt")), before);
        prepare();
        const AliasBook book(m_fake->launcher, m_fake->paths);

        const Outcome outcome = step == u"read" ? book.read() : book.add(step.mid(1));

        QTEST(outcome.names, "names");
        QTEST(effects(outcome), "effects");
        QTEST(readFile(file(QStringLiteral("parlo.txt"))), "after");
    }

    void listSender_data()
    {
        QTest::addColumn<QByteArray>("list2"); // the file of list 2
        QTest::addColumn<int>("list");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("failure"); // of every program start
        QTest::addColumn<QStringList>("effects");

        const QByteArray pc1("PC1\r\n");
        const QString nul = "Parlo: The %1 holds a NUL character, which net send cannot carry; nothing was sent.";
        const QString noNet = "Cannot start net: no such program.";
        // clang-format off
        // One net per name, in file order, empty fields skipped; a name with a blank is one name.
        QTest::newRow("send") << QByteArray("PC1\r\nPC2\r\n\r\nPC3,,007\r\n  John Smith\r\n") << 2 << "hi"
            << "" << QStringList{"2 net [send] [PC1] [hi]", "2 net [send] [PC2] [hi]", "2 net [send] [PC3] [hi]",
                                 "2 net [send] [007] [hi]", "2 net [send] [John Smith] [hi]"};
        QTest::newRow("NUL in the message") << pc1 << 2 << QString("h") + QChar(0) + "i" << ""
            << QStringList{nul.arg("message")};
        QTest::newRow("NUL in a name: nobody gets it") << QByteArrayLiteral("PC1\r\nPC\0002\r\n") << 2 << "hi"
            << "" << QStringList{nul.arg("recipient name")};
        QTest::newRow("no message") << pc1 << 2 << "" << "" << QStringList{"Parlo (i): First type something to send !"};
        QTest::newRow("no file") << pc1 << 3 << "hi" << ""
            << QStringList{"Parlo: First create a file by choosing Edit ListX where x is the list number 1-4"};
        QTest::newRow("no net: said once") << QByteArray("PC1\r\nPC2\r\n") << 2 << "hi" << noNet
            << QStringList{"2 net [send] [PC1] [hi]", "Parlo: " + noNet};
        // clang-format on
    }

    void listSender()
    {
        QFETCH(QByteArray, list2);
        QFETCH(int, list);
        QFETCH(QString, message);
        writeFile(file(QStringLiteral("list2.txt")), list2);
        prepare();
        const ListSender lists(m_fake->launcher, m_fake->paths);

        QTEST(effects(lists.send(list, message)), "effects");
    }
};

QTEST_MAIN(tst_parlo)
#include "tst_parlo.moc"
