#include "Fakes.h"
#include "StandIn.h"
#include "TestFiles.h"
#include "main/Messaging.h"
#include "main/parlo.h"
#include "platform/LinuxFacts.h"
#include "platform/LinuxLauncher.h"
#include "platform/RunningCommand.h"
#include "platform/ShellInterpreter.h"
#include "ui/Controls.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

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

} // namespace

class tst_parlo : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_temp;
    std::unique_ptr<FakeHost> m_fake;
    QString file(const QString &name) const { return m_temp->filePath(name); }

private Q_SLOTS:
    void init()
    {
        m_temp = std::make_unique<QTemporaryDir>();
        m_fake = std::make_unique<FakeHost>(m_temp->path());
        m_fake->runner.next.text = QStringLiteral("The message was successfully sent to BOB.\r\n");
    }

    void labels_data()
    {
        QTest::addColumn<std::optional<QString>>("name");
        QTest::addColumn<QString>("domain");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QStringList>("captions"); // of Label2 to Label4

        // clang-format off
        QTest::newRow("all set") << std::optional<QString>("ABCDEFGHIJKLMNO") << "OFFICE" << "ann"
            << QStringList{"Your WS name is:\rABCDEFGHIJKLMNO", "Your Domain name is:\rOFFICE", "Your User name is:\rann"};
        QTest::newRow("no domain, no user") << std::optional<QString>("pc") << "" << ""
            << QStringList{"Your WS name is:\rpc", "Your Domain name is:\r", "Your User name is:\r"};
        QTest::newRow("no computer name") << std::optional<QString>() << "D" << "u"
            << QStringList{"", "Your Domain name is:\rD", "Your User name is:\ru"};
        // clang-format on
    }

    void labels()
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

    void focusAndTabOrder()
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

    // Tool windows are the makers' to make; each stays open when the main window closes.
    void windowsOpenOnce()
    {
        const WindowMakers makers{{QStringLiteral("ping"), [](Host) { return new QWidget; }}};
        parlo window(m_fake->host(), makers);
        window.show();
        QVERIFY(!window.findChild<QAction *>(QStringLiteral("mArp"))->isEnabled()); // no maker, no item
        window.findChild<QAction *>(QStringLiteral("mPing"))->trigger();
        const QPointer<QWidget> ping = window.instance(QStringLiteral("ping"));
        QVERIFY(ping && ping->isVisible());
        window.close();
        QVERIFY(ping->isVisible());
        ping->close();
        QTRY_VERIFY(ping.isNull());
    }

    void shellTakesTextLiterally_data()
    {
        QTest::addColumn<QString>("recipient");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("arguments"); // what net receives; none: "send", "BOB" and the message

        const QString touch = QStringLiteral("touch @/pwned");
        // clang-format off
        QTest::newRow("quotes") << "BOB" << "say 'hi' and \"bye\"" << QStringList{};
        QTest::newRow("substitutions") << "BOB" << "$(" + touch + ") `" + touch + "` $HOME ${PATH}" << QStringList{};
        QTest::newRow("separators") << "BOB" << "a; " + touch + " & " + touch + " | " + touch << QStringList{};
        QTest::newRow("redirections") << "BOB" << "<@/in >@/pwned" << QStringList{};
        QTest::newRow("backslash glob tilde") << "BOB" << "\\n * ~ ?" << QStringList{};
        QTest::newRow("line break") << "BOB" << "one\n" + touch << QStringList{};
        QTest::newRow("comment sign, double blank") << "BOB" << "#1 >  2" << QStringList{};
        QTest::newRow("recipient syntax") << "B;" + touch << "hi" << QStringList{"send", "B;touch", "@/pwned", "hi"};
        QTest::newRow("recipient with blank") << "John Smith>@/pwned" << "hi"
            << QStringList{"send", "John", "Smith>@/pwned", "hi"};
        // clang-format on
    }

    void shellTakesTextLiterally()
    {
        QFETCH(QString, recipient);
        QFETCH(QString, message);
        QFETCH(QStringList, arguments);
        const QString dir = m_temp->path();
        for (QString *text : {&recipient, &message})
            text->replace(u'@', dir);
        if (arguments.isEmpty())
            arguments = QStringList{"send", "BOB", message};
        for (QString &argument : arguments)
            argument.replace(u'@', dir);

        // A net that writes each argument it gets, NUL-terminated.
        writeFile(file(QStringLiteral("compat/net")), "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done\n",
                  true);
        LinuxFacts facts;
        QuietGuard guard;
        ShellInterpreter interpreter({file(QStringLiteral("compat")), dir}, facts, guard);

        Runner runner(interpreter);
        const Capture capture = runner.RunCapture(sendCommandLine(runner, recipient, message), 6);

        QStringList received = capture.text.split(QChar(0));
        QCOMPARE(received.takeLast(), QString());
        QCOMPARE(received, arguments);
        QVERIFY(!QFile::exists(file(QStringLiteral("pwned"))));
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
        QTest::newRow("nobody, picture") << "" << "" << "Picture2" << none << first << "hello";
        QTest::newRow("nobody, Enter: just a line break") << "" << "" << "Enter" << none << none << "hello\n";
        QTest::newRow("Clear empties only the message") << "BOB" << "PC7" << "cmdClear" << none << none << "";
        // A NUL would cut the line the shell gets, and the report would replace the message unsent.
        QTest::newRow("NUL in the name") << QString("BO") + QChar(0) + "B" << "" << "cmdSend" << none
            << QStringList{"Parlo: The recipient name holds a NUL character, which net send cannot carry; nothing was sent."}
            << "hello";
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

    void names_data()
    {
        QTest::addColumn<QString>("file"); // written first unless bytes is null
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("uses");
        QTest::addColumn<QStringList>("launches");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QStringList>("items"); // of Combo1 afterwards
        QTest::addColumn<QByteArray>("added");  // to the file

        const QStringList none, add{"cmdAdd", "cmdGetalias"};
        const QByteArray aliases("PC1\r\n  PC9\r\n\r\nA,\"B, C\"\r\n"), pc1("PC1\r\n");
        const QStringList fields{"PC1", "PC9", "", "A", "B, C"};
        const QString nul = "Parlo: The %1 holds a NUL character, which net send cannot carry; nothing was sent.";
        const QString hello = "hello", tricky = "say \"hi\"  \tto c:\\temp";
        // clang-format off
        // An added name reads back as the one entry it was; the file is appended to, with CR LF.
        QTest::newRow("add plain name") << "parlo.txt" << QByteArray("OLD\r\n") << "PC1" << "" << add << none << none
            << QStringList{"PC1", "OLD", "PC1"} << pc1;
        QTest::newRow("add name with comma") << "parlo.txt" << QByteArray("OLD\r\n") << "Smith, John" << "" << add
            << none << none << QStringList{"Smith, John", "OLD", "Smith, John"} << QByteArray("\"Smith, John\"\r\n");
        QTest::newRow("add name with leading blanks") << "parlo.txt" << QByteArray() << "  PC9" << "" << add
            << none << none << QStringList{"  PC9", "  PC9"} << QByteArray("\"  PC9\"\r\n");
        QTest::newRow("add nothing") << "parlo.txt" << QByteArray() << "" << "" << QStringList{"cmdAdd"}
            << none << QStringList{"Parlo: Nothing to add !"} << none << QByteArray();
        QTest::newRow("aliases missing") << "parlo.txt" << QByteArray() << "" << "" << QStringList{"cmdGetalias"}
            << QStringList{"2 cmd /c net view >c:\\parlo.txt"}
            << QStringList{"Missing File!: You're missing the file c:\\parlo.txt!", "Parlo: Click \"Get Aliases\" again"}
            << none << QByteArray();
        QTest::newRow("aliases empty") << "parlo.txt" << QByteArray("") << "" << "" << QStringList{"cmdGetalias"}
            << none << none << none << QByteArray();
        QTest::newRow("aliases appended each time") << "parlo.txt" << aliases << "" << ""
            << QStringList{"cmdGetalias", "cmdGetalias"} << none << none << fields + fields << QByteArray();
        // One net per name, in file order, empty fields skipped; the message stays. net gets its
        // arguments as they are: a name with a blank is one name, the message is not split or mapped.
        QTest::newRow("list send") << "list2.txt" << QByteArray("PC1\r\nPC2\r\n\r\nPC3,,007\r\n  John Smith\r\n")
            << "" << hello << QStringList{"mlist2"}
            << QStringList{"2 net [send] [PC1] [hello]", "2 net [send] [PC2] [hello]", "2 net [send] [PC3] [hello]",
                           "2 net [send] [007] [hello]", "2 net [send] [John Smith] [hello]"}
            << none << none << QByteArray();
        QTest::newRow("list send as typed") << "list1.txt" << pc1 << "" << tricky << QStringList{"mlist1"}
            << QStringList{"2 net [send] [PC1] [" + tricky + "]"} << none << none << QByteArray();
        QTest::newRow("NUL in the message") << "list1.txt" << pc1 << "BOB" << QString("hel") + QChar(0) + "lo"
            << QStringList{"mlist1", "cmdSend"} << none << QStringList(2, nul.arg("message")) << none << QByteArray();
        QTest::newRow("NUL in a listed name: nobody gets it") << "list1.txt" << QByteArrayLiteral("PC1\r\nPC\0002\r\n")
            << "" << hello << QStringList{"mlist1"} << none << QStringList{nul.arg("recipient name")} << none
            << QByteArray();
        QTest::newRow("list send, no message") << "list3.txt" << pc1 << "" << "" << QStringList{"mlist3"}
            << none << QStringList{"Parlo (i): First type something to send !"} << none << QByteArray();
        QTest::newRow("list missing") << "list2.txt" << pc1 << "" << hello << QStringList{"mlist3"} << none
            << QStringList{"Parlo: First create a file by choosing Edit ListX where x is the list number 1-4"}
            << none << QByteArray();
        QTest::newRow("edit files") << "parlo.txt" << QByteArray() << "" << ""
            << QStringList{"mEAlias", "eList1", "mElist2", "mElist3", "mElist4"}
            << QStringList{"1 notepad.exe c:\\parlo.txt", "1 notepad.exe c:\\list1.txt", "1 notepad.exe c:\\list2.txt",
                           "1 notepad.exe c:\\list3.txt", "1 notepad.exe c:\\list4.txt"} << none << none << QByteArray();
        QTest::newRow("telnet each time") << "parlo.txt" << QByteArray() << "" << "" << QStringList{"mtelnet", "mtelnet"}
            << QStringList(2, "1 telnet.exe") << none << none << QByteArray();
        // clang-format on
    }

    void names()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(QStringList, uses);
        QFETCH(QByteArray, added);
        if (!bytes.isNull())
            writeFile(this->file(file), bytes);
        Window w(m_fake->host());
        w.txtno->setText(typed);
        w.txtmsg->setPlainText(message);

        for (const QString &name : std::as_const(uses))
            w.use(name);

        QTEST(lines(m_fake->launcher.calls), "launches");
        QTEST(lines(m_fake->messages.boxes), "boxes");
        QStringList items;
        for (int i = 0; i < w.Combo1->count(); ++i)
            items << w.Combo1->itemText(i);
        QTEST(items, "items");
        QCOMPARE(readFile(this->file(file)),
                 bytes.isNull() && added.isEmpty() ? QByteArray("<missing>") : bytes + added);
        QCOMPARE(w.txtno->text(), uses.contains(u"cmdAdd") ? QString() : typed);
        QCOMPARE(w.txtmsg->toPlainText(), message);
        QVERIFY(m_fake->runner.calls.isEmpty());
    }

    void failuresAreShown()
    {
        // The message stays when net send cannot run; what could not start is named.
        m_fake->runner.next = {{}, QStringLiteral("Cannot start the command interpreter /bin/sh: no such file")};
        m_fake->launcher.next = {0, QStringLiteral("Cannot start cmd: the program was not found.")};
        Window w(m_fake->host());
        w.txtno->setText(QStringLiteral("BOB"));
        w.txtmsg->setPlainText(QStringLiteral("hello"));
        w.use(QStringLiteral("cmdSend"));
        w.use(QStringLiteral("cmdGetalias"));
        w.use(QStringLiteral("mtelnet"));
        QCOMPARE(w.txtmsg->toPlainText(), QStringLiteral("hello"));
        const QString launchError = "Parlo: " + m_fake->launcher.next.error;
        QCOMPARE(lines(m_fake->messages.boxes),
                 (QStringList{"Parlo: " + m_fake->runner.next.error, launchError, launchError}));
    }

    void realListSendDoesNotWait()
    {
        // A net that notes its arguments (NUL-terminated) under its pid, then takes its time.
        const QString compat = file(QStringLiteral("compat"));
        writeFile(compat + QStringLiteral("/net"),
                  standInProgram("printf '%s\\0' \"$@\" > \"$data/$$.part\"\nmv \"$data/$$.part\" \"$data/$$.args\"\n"
                                 "sleep 2\n"),
                  true);
        writeFile(file(QStringLiteral("list1.txt")), "PC1\r\nJohn Smith\r\nPC3\r\n");
        LinuxLauncher launcher({compat, m_temp->path()});
        Window w(Host{m_fake->runner, launcher, m_fake->messages, m_fake->facts, m_fake->paths});
        const QString message = QStringLiteral("say \"hi\"  \tto c:\\temp");
        w.txtmsg->setPlainText(message);

        QElapsedTimer clock;
        clock.start();
        w.use(QStringLiteral("mlist1"));
        QVERIFY2(clock.elapsed() < 1500, "the list send waited for net");

        // One real process per name.
        auto noted = [this] { return QDir(m_temp->path(), QStringLiteral("*.args")).entryList(); };
        QTRY_COMPARE_WITH_TIMEOUT(noted().size(), 3, 5000);
        QStringList received;
        for (const QString &name : noted())
            received << QString::fromUtf8(readFile(file(name))).replace(QChar(0), u'|');
        received.sort();
        const QString sent = u'|' + message + u'|';
        QCOMPARE(received, (QStringList{"send|John Smith" + sent, "send|PC1" + sent, "send|PC3" + sent}));
        QVERIFY(m_fake->messages.boxes.isEmpty());
    }
};

QTEST_MAIN(tst_parlo)
#include "tst_parlo.moc"
