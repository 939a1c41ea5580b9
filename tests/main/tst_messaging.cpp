#include "Controls.h"
#include "Fakes.h"
#include "LinuxFacts.h"
#include "LinuxLauncher.h"
#include "Messaging.h"
#include "RunningCommand.h"
#include "ShellInterpreter.h"
#include "parlo.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeBytes(const QString &path, const QByteArray &bytes, bool executable = false)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    if (executable)
        QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

// What a window asked the host for, one line each: "STYLE LINE" and "TITLE (i): TEXT".
QStringList lines(const auto &calls)
{
    QStringList lines;
    for (const auto &call : calls) {
        if constexpr (requires { call.icon; })
            lines << call.title + QLatin1String(call.icon == BoxIcon::Information ? " (i): " : ": ") + call.text;
        else if constexpr (requires { call.command; })
            lines << QString::number(call.windowStyle) + u' ' + call.command;
        else
            lines << QString::number(call.windowStyle) + u' ' + call.commandLine;
    }
    return lines;
}

QStringList items(const QComboBox *combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

// The main window over a fake host, with its controls at hand.
struct Window
{
    explicit Window(FakeHost &fake) : window(fake.host()) {}
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

const QString sent = QStringLiteral("The message was successfully sent to BOB.\r\n");

} // namespace

class tst_Messaging : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void shellTakesTextLiterally_data();
    void shellTakesTextLiterally();
    void send_data();
    void send();
    void names_data();
    void names();
    void failuresAreShown();
    void realListSendDoesNotWait();

private:
    std::unique_ptr<QTemporaryDir> m_temp;
    std::unique_ptr<FakeHost> m_fake;
    QString file(const QString &name) const { return m_temp->filePath(name); }
};

void tst_Messaging::init()
{
    m_temp = std::make_unique<QTemporaryDir>();
    m_fake = std::make_unique<FakeHost>(m_temp->path());
    m_fake->runner.next.text = sent;
}

void tst_Messaging::shellTakesTextLiterally_data()
{
    QTest::addColumn<QString>("recipient");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("arguments"); // what net receives

    const QString touch = QStringLiteral("touch @/pwned");
    // clang-format off
    QTest::newRow("quotes") << "BOB" << "say 'hi' and \"bye\"" << QStringList{"send", "BOB", "say 'hi' and \"bye\""};
    QTest::newRow("substitutions") << "BOB" << "$(" + touch + ") `" + touch + "` $HOME ${PATH}"
                                   << QStringList{"send", "BOB", "$(" + touch + ") `" + touch + "` $HOME ${PATH}"};
    QTest::newRow("separators") << "BOB" << "a; " + touch + " & " + touch + " | " + touch
                                << QStringList{"send", "BOB", "a; " + touch + " & " + touch + " | " + touch};
    QTest::newRow("redirections") << "BOB" << "<@/in >@/pwned" << QStringList{"send", "BOB", "<@/in >@/pwned"};
    QTest::newRow("backslash glob tilde") << "BOB" << "\\n * ~ ?" << QStringList{"send", "BOB", "\\n * ~ ?"};
    QTest::newRow("line break") << "BOB" << "one\n" + touch << QStringList{"send", "BOB", "one\n" + touch};
    QTest::newRow("comment sign, double blank") << "BOB" << "#1 >  2" << QStringList{"send", "BOB", "#1 >  2"};
    QTest::newRow("recipient syntax") << "B;" + touch << "hi" << QStringList{"send", "B;touch", "@/pwned", "hi"};
    QTest::newRow("recipient with blank") << "John Smith>@/pwned" << "hi" << QStringList{"send", "John", "Smith>@/pwned", "hi"};
    // clang-format on
}

void tst_Messaging::shellTakesTextLiterally()
{
    QFETCH(QString, recipient);
    QFETCH(QString, message);
    QFETCH(QStringList, arguments);
    const QString dir = m_temp->path();
    recipient.replace(u'@', dir);
    message.replace(u'@', dir);
    for (QString &argument : arguments)
        argument.replace(u'@', dir);

    // A net that writes each argument it gets, NUL-terminated.
    QDir(dir).mkpath(QStringLiteral("compat"));
    writeBytes(file(QStringLiteral("compat/net")), "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done\n",
               true);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TEMP"), dir);
    LinuxFacts facts(environment);
    QuietGuard guard;
    ShellInterpreter interpreter({file(QStringLiteral("compat")), dir}, facts, guard);

    const Capture capture = Runner(interpreter).RunCapture(sendCommandLine(recipient, message), 6);

    QStringList received = capture.text.split(QChar(0));
    QCOMPARE(received.takeLast(), QString());
    QCOMPARE(received, arguments);
    QVERIFY(!QFile::exists(file(QStringLiteral("pwned"))));
}

void tst_Messaging::send_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("picked");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QStringList>("runs");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("shown"); // txtmsg afterwards

    const QString reply = QString(sent).remove(u'\r'); // CR LF shows as one line break
    const QStringList none;
    const QStringList toBob{"6 net send BOB hello"};
    const QStringList first{"Parlo (i): First type something to send !"};
    // clang-format off
    QTest::newRow("typed, button") << "BOB" << "" << "cmdSend" << toBob << none << reply;
    QTest::newRow("picked, button") << "" << "PC7" << "cmdSend" << QStringList{"6 net send PC7 hello"} << none << reply;
    QTest::newRow("both, typed wins") << "BOB" << "PC7" << "cmdSend" << toBob << none << reply;
    QTest::newRow("picked, picture") << "" << "PC7" << "Picture2" << QStringList{"6 net send PC7 hello"} << none << reply;
    QTest::newRow("Enter") << "BOB" << "" << "Enter" << toBob << none << "\n" + reply;
    QTest::newRow("nobody, button") << "" << "" << "cmdSend" << none << first << "hello";
    QTest::newRow("nobody, picture") << "" << "" << "Picture2" << none << first << "hello";
    QTest::newRow("nobody, Enter: just a line break") << "" << "" << "Enter" << none << none << "hello\n";
    // clang-format on
}

void tst_Messaging::send()
{
    QFETCH(QString, typed);
    QFETCH(QString, picked);
    QFETCH(QString, how);
    Window w(*m_fake);
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
}

void tst_Messaging::names_data()
{
    QTest::addColumn<QString>("file"); // written first when bytes are given
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("uses");
    QTest::addColumn<QStringList>("launches");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QStringList>("items"); // of Combo1 afterwards
    QTest::addColumn<QByteArray>("after");  // the file afterwards

    const QStringList none;
    const QStringList add{"cmdAdd", "cmdGetalias"};
    const QByteArray missing("<missing>");
    // clang-format off
    // An added name reads back as the one entry it was; the file is appended to, with CR LF.
    QTest::newRow("add plain name") << "parlo.txt" << QByteArray("OLD\r\n") << "PC1" << "" << add << none << none
        << QStringList{"PC1", "OLD", "PC1"} << QByteArray("OLD\r\nPC1\r\n");
    QTest::newRow("add name with comma") << "parlo.txt" << QByteArray("OLD\r\n") << "Smith, John" << "" << add << none << none
        << QStringList{"Smith, John", "OLD", "Smith, John"} << QByteArray("OLD\r\n\"Smith, John\"\r\n");
    QTest::newRow("add name with leading blanks") << "parlo.txt" << QByteArray() << "  PC9" << "" << add << none << none
        << QStringList{"  PC9", "  PC9"} << QByteArray("\"  PC9\"\r\n");
    QTest::newRow("add nothing") << "parlo.txt" << QByteArray() << "" << "" << QStringList{"cmdAdd"} << none
        << QStringList{"Parlo: Nothing to add !"} << none << missing;
    QTest::newRow("aliases missing") << "parlo.txt" << QByteArray() << "" << "" << QStringList{"cmdGetalias"}
        << QStringList{"2 cmd /c net view >c:\\parlo.txt"}
        << QStringList{"Missing File!: You're missing the file c:\\parlo.txt!", "Parlo: Click \"Get Aliases\" again"}
        << none << missing;
    QTest::newRow("aliases empty") << "parlo.txt" << QByteArray("") << "" << "" << QStringList{"cmdGetalias"} << none
        << none << none << QByteArray("");
    QTest::newRow("aliases appended each time") << "parlo.txt" << QByteArray("PC1\r\n  PC9\r\n\r\nA,\"B, C\"\r\n") << ""
        << "" << QStringList{"cmdGetalias", "cmdGetalias"} << none << none
        << QStringList{"PC1", "PC9", "", "A", "B, C", "PC1", "PC9", "", "A", "B, C"}
        << QByteArray("PC1\r\n  PC9\r\n\r\nA,\"B, C\"\r\n");
    // One net per name, in file order, empty fields skipped; the message stays.
    QTest::newRow("list send") << "list2.txt" << QByteArray("PC1\r\nPC2\r\n\r\nPC3,,007\r\n  John Smith\r\n") << ""
        << "hello" << QStringList{"mlist2"}
        << QStringList{"2 net send PC1 hello", "2 net send PC2 hello", "2 net send PC3 hello", "2 net send 007 hello",
                       "2 net send John Smith hello"}
        << none << none << QByteArray("PC1\r\nPC2\r\n\r\nPC3,,007\r\n  John Smith\r\n");
    QTest::newRow("list send, no message") << "list3.txt" << QByteArray("PC1\r\n") << "" << "" << QStringList{"mlist3"}
        << none << QStringList{"Parlo (i): First type something to send !"} << none << QByteArray("PC1\r\n");
    QTest::newRow("list missing") << "list2.txt" << QByteArray("PC1\r\n") << "" << "hello" << QStringList{"mlist3"} << none
        << QStringList{"Parlo: First create a file by choosing Edit ListX where x is the list number 1-4"} << none
        << QByteArray("PC1\r\n");
    QTest::newRow("edit files") << "parlo.txt" << QByteArray() << "" << "" << QStringList{"mEAlias", "eList1", "mElist2", "mElist3", "mElist4"}
        << QStringList{"1 notepad.exe c:\\parlo.txt", "1 notepad.exe c:\\list1.txt", "1 notepad.exe c:\\list2.txt",
                       "1 notepad.exe c:\\list3.txt", "1 notepad.exe c:\\list4.txt"}
        << none << none << missing;
    // clang-format on
}

void tst_Messaging::names()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(QStringList, uses);
    if (!bytes.isNull())
        writeBytes(this->file(file), bytes);
    Window w(*m_fake);
    w.txtno->setText(typed);
    w.txtmsg->setPlainText(message);

    for (const QString &name : std::as_const(uses))
        w.use(name);

    QTEST(lines(m_fake->launcher.calls), "launches");
    QTEST(lines(m_fake->messages.boxes), "boxes");
    QTEST(items(w.Combo1), "items");
    QTEST(readBytes(this->file(file)), "after");
    QCOMPARE(w.txtno->text(), uses.contains(u"cmdAdd") ? QString() : typed);
    QCOMPARE(w.txtmsg->toPlainText(), message);
    QVERIFY(m_fake->runner.calls.isEmpty());
}

void tst_Messaging::failuresAreShown()
{
    // The message stays when net send cannot run; Get Aliases names what could not start.
    m_fake->runner.next = {{}, QStringLiteral("Cannot start the command interpreter /bin/sh: no such file")};
    m_fake->launcher.next = {0, QStringLiteral("Cannot start cmd: the program was not found.")};
    Window w(*m_fake);
    w.txtno->setText(QStringLiteral("BOB"));
    w.txtmsg->setPlainText(QStringLiteral("hello"));
    w.use(QStringLiteral("cmdSend"));
    w.use(QStringLiteral("cmdGetalias"));
    QCOMPARE(w.txtmsg->toPlainText(), QStringLiteral("hello"));
    QCOMPARE(lines(m_fake->messages.boxes),
             (QStringList{"Parlo: " + m_fake->runner.next.error, "Parlo: " + m_fake->launcher.next.error}));
}

namespace {

// The real launcher, with the order of what it started noted.
class NotingLauncher final : public ProcessLauncher
{
public:
    explicit NotingLauncher(HostConfig config) : m_real(std::move(config)) {}
    Launch start(const QString &commandLine, int windowStyle) override
    {
        const Launch launch = m_real.start(commandLine, windowStyle);
        started.append({commandLine, launch.pid});
        return launch;
    }
    QList<QPair<QString, qint64>> started;

private:
    LinuxLauncher m_real;
};

} // namespace

void tst_Messaging::realListSendDoesNotWait()
{
    // A net that notes its arguments under its pid, then takes its time.
    const QString compat = file(QStringLiteral("compat"));
    QDir().mkpath(compat);
    writeBytes(compat + QStringLiteral("/net"),
               "#!/bin/sh\necho \"$*\" > \"$PARLO_DATA_DIR/$$.part\"\nmv \"$PARLO_DATA_DIR/$$.part\" "
               "\"$PARLO_DATA_DIR/$$.args\"\nsleep 2\n",
               true);
    writeBytes(file(QStringLiteral("list1.txt")), "PC1\r\nPC2\r\nPC3\r\n");
    NotingLauncher launcher({compat, m_temp->path()});
    parlo window(Host{m_fake->runner, launcher, m_fake->messages, m_fake->facts, m_fake->paths});
    window.findChild<QPlainTextEdit *>(QStringLiteral("txtmsg"))->setPlainText(QStringLiteral("hello"));

    QElapsedTimer clock;
    clock.start();
    window.findChild<QAction *>(QStringLiteral("mlist1"))->trigger();
    QVERIFY2(clock.elapsed() < 1500, "the list send waited for net");

    QCOMPARE(launcher.started.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const auto &[line, pid] = launcher.started[i];
        QCOMPARE(line, QStringLiteral("net send PC%1 hello").arg(i + 1));
        const QString args = file(QStringLiteral("%1.args").arg(pid));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(args), 5000);
        QCOMPARE(readBytes(args), QStringLiteral("send PC%1 hello\n").arg(i + 1).toLatin1());
    }
    QVERIFY(m_fake->messages.boxes.isEmpty());
}

QTEST_MAIN(tst_Messaging)
#include "tst_messaging.moc"
