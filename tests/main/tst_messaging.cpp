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
#include <QMenu>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void writeProgram(const QString &path, const QByteArray &text)
{
    writeBytes(path, text);
    QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// The main window over a fake host, with its controls at hand.
struct Window
{
    explicit Window(FakeHost &fake) : window(fake.host())
    {
        txtno = window.findChild<QLineEdit *>(QStringLiteral("txtno"));
        Combo1 = window.findChild<QComboBox *>(QStringLiteral("Combo1"));
        txtmsg = window.findChild<QPlainTextEdit *>(QStringLiteral("txtmsg"));
    }
    void click(const char *name) { window.findChild<QAbstractButton *>(QLatin1String(name))->click(); }
    void choose(const char *name) { window.findChild<QAction *>(QLatin1String(name))->trigger(); }

    parlo window;
    QLineEdit *txtno;
    QComboBox *Combo1;
    QPlainTextEdit *txtmsg;
};

} // namespace

class tst_Messaging : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();

    void sendLine_data();
    void sendLine();
    void shellTakesTextLiterally_data();
    void shellTakesTextLiterally();

    void sendsToTypedOrPickedName_data();
    void sendsToTypedOrPickedName();
    void emptyRecipients();
    void enterSendsAndStillBreaksTheLine();
    void runnerFailureKeepsTheMessage();

    void addAlias();
    void addAliasNeedsAName();
    void getAliasesMissingFile();
    void getAliasesAppendsEveryField();

    void listSendStartsOnePerName();
    void listSendChecks_data();
    void listSendChecks();
    void editLists();
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
    m_fake->runner.next.text = QStringLiteral("The message was successfully sent to BOB.\r\n");
}

void tst_Messaging::sendLine_data()
{
    QTest::addColumn<QString>("recipient");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("line");

    // clang-format off
    QTest::newRow("plain") << "BOB" << "hello" << "net send BOB hello";
    QTest::newRow("recipient with blank splits") << "John Smith" << "hello" << "net send John Smith hello";
    QTest::newRow("empty message") << "BOB" << "" << "net send BOB ";
    QTest::newRow("letters beyond ASCII") << "BOB" << "Grüße" << "net send BOB Grüße";
    QTest::newRow("double blank kept") << "BOB" << "a  b" << "net send BOB 'a  b'";
    QTest::newRow("single quote") << "BOB" << "it's" << "net send BOB 'it'\\''s'";
    // clang-format on
}

void tst_Messaging::sendLine()
{
    QFETCH(QString, recipient);
    QFETCH(QString, message);
    QFETCH(QString, line);
    QCOMPARE(sendCommandLine(recipient, message), line);
}

void tst_Messaging::shellTakesTextLiterally_data()
{
    QTest::addColumn<QString>("recipient");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("arguments"); // what net receives

    const QString touch = QStringLiteral("touch @/pwned");
    // clang-format off
    QTest::newRow("quotes") << "BOB" << "say 'hi' and \"bye\"" << QStringList{"send", "BOB", "say 'hi' and \"bye\""};
    QTest::newRow("command substitution") << "BOB" << "$(" + touch + ")" << QStringList{"send", "BOB", "$(" + touch + ")"};
    QTest::newRow("backticks") << "BOB" << "`" + touch + "`" << QStringList{"send", "BOB", "`" + touch + "`"};
    QTest::newRow("separators") << "BOB" << "a; " + touch + " & " + touch + " | " + touch
                                << QStringList{"send", "BOB", "a; " + touch + " & " + touch + " | " + touch};
    QTest::newRow("redirections") << "BOB" << "<@/in >@/pwned" << QStringList{"send", "BOB", "<@/in >@/pwned"};
    QTest::newRow("backslash glob tilde") << "BOB" << "\\n * ~ ?" << QStringList{"send", "BOB", "\\n * ~ ?"};
    QTest::newRow("line break") << "BOB" << "one\n" + touch << QStringList{"send", "BOB", "one\n" + touch};
    QTest::newRow("variables") << "BOB" << "$HOME ${PATH}" << QStringList{"send", "BOB", "$HOME ${PATH}"};
    QTest::newRow("recipient syntax") << "B;" + touch << "hi" << QStringList{"send", "B;touch", "@/pwned", "hi"};
    QTest::newRow("recipient with blank") << "John Smith>@/pwned" << "hi" << QStringList{"send", "John", "Smith>@/pwned", "hi"};
    QTest::newRow("comment sign") << "BOB" << "#1 > 2" << QStringList{"send", "BOB", "#1 > 2"};
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
    writeProgram(file(QStringLiteral("compat/net")), "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done\n");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TEMP"), dir);
    LinuxFacts facts(environment);
    QuietGuard guard;
    ShellInterpreter interpreter({file(QStringLiteral("compat")), dir}, facts, guard);
    Runner runner(interpreter);

    const Capture capture = runner.RunCapture(sendCommandLine(recipient, message), 6);

    QStringList received = capture.text.split(QChar(0));
    QCOMPARE(received.takeLast(), QString());
    QCOMPARE(received, arguments);
    QVERIFY(!QFile::exists(file(QStringLiteral("pwned"))));
}

void tst_Messaging::sendsToTypedOrPickedName_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("picked");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("line");

    QTest::newRow("typed, button") << "BOB" << "" << "cmdSend" << "net send BOB hello";
    QTest::newRow("picked, button") << "" << "PC7" << "cmdSend" << "net send PC7 hello";
    QTest::newRow("both, typed wins") << "BOB" << "PC7" << "cmdSend" << "net send BOB hello";
    QTest::newRow("typed, picture") << "BOB" << "" << "Picture2" << "net send BOB hello";
    QTest::newRow("picked, picture") << "" << "PC7" << "Picture2" << "net send PC7 hello";
}

void tst_Messaging::sendsToTypedOrPickedName()
{
    QFETCH(QString, typed);
    QFETCH(QString, picked);
    QFETCH(QString, how);
    QFETCH(QString, line);
    Window w(*m_fake);
    w.txtno->setText(typed);
    w.Combo1->setEditText(picked);
    w.txtmsg->setPlainText(QStringLiteral("hello"));

    if (how == u"Picture2")
        QTest::mouseClick(w.window.findChild<QWidget *>(how), Qt::LeftButton);
    else
        w.click("cmdSend");

    QCOMPARE(m_fake->runner.calls.size(), 1);
    QCOMPARE(m_fake->runner.calls[0].command, line);
    QCOMPARE(m_fake->runner.calls[0].windowStyle, 6);
    // Replaced, not appended; the box shows CR LF as one line break.
    QCOMPARE(w.txtmsg->toPlainText(), QString(m_fake->runner.next.text).remove(u'\r'));
    QCOMPARE(w.txtno->text(), typed);
    QCOMPARE(w.Combo1->currentText(), picked);
}

void tst_Messaging::emptyRecipients()
{
    Window w(*m_fake);
    w.txtmsg->setPlainText(QStringLiteral("hello"));
    w.click("cmdSend");
    QTest::mouseClick(w.window.findChild<QWidget *>(QStringLiteral("Picture2")), Qt::LeftButton);
    QVERIFY(m_fake->runner.calls.isEmpty());
    QCOMPARE(m_fake->messages.boxes.size(), 2);
    for (const Box &box : std::as_const(m_fake->messages.boxes)) {
        QCOMPARE(box.text, QStringLiteral("First type something to send !"));
        QCOMPARE(box.title, QStringLiteral("Parlo"));
        QCOMPARE(box.icon, BoxIcon::Information);
    }

    // Enter: no box, no send, and the line break reaches the box.
    m_fake->messages.boxes.clear();
    w.txtmsg->moveCursor(QTextCursor::End);
    QTest::keyClick(w.txtmsg, Qt::Key_Return);
    QVERIFY(m_fake->runner.calls.isEmpty());
    QVERIFY(m_fake->messages.boxes.isEmpty());
    QCOMPARE(w.txtmsg->toPlainText(), QStringLiteral("hello\n"));
}

void tst_Messaging::enterSendsAndStillBreaksTheLine()
{
    Window w(*m_fake);
    w.txtno->setText(QStringLiteral("BOB"));
    w.txtmsg->setPlainText(QStringLiteral("hello"));
    w.txtmsg->moveCursor(QTextCursor::End);
    QTest::keyClicks(w.txtmsg, QStringLiteral("!"));
    QVERIFY(m_fake->runner.calls.isEmpty()); // other keys send nothing
    QTest::keyClick(w.txtmsg, Qt::Key_Return);
    QCOMPARE(m_fake->runner.calls.size(), 1);
    QCOMPARE(m_fake->runner.calls[0].command, QStringLiteral("net send BOB 'hello!'"));
    const QString shown = w.txtmsg->toPlainText();
    QCOMPARE(shown.count(u'\n'), m_fake->runner.next.text.count(u'\n') + 1);
    QCOMPARE(QString(shown).remove(u'\n'), QString(m_fake->runner.next.text).remove(u'\n').remove(u'\r'));
}

void tst_Messaging::runnerFailureKeepsTheMessage()
{
    m_fake->runner.next = {{}, QStringLiteral("Cannot start the command interpreter /bin/sh: no such file")};
    Window w(*m_fake);
    w.txtno->setText(QStringLiteral("BOB"));
    w.txtmsg->setPlainText(QStringLiteral("hello"));
    w.click("cmdSend");
    QCOMPARE(w.txtmsg->toPlainText(), QStringLiteral("hello"));
    QCOMPARE(m_fake->messages.boxes.size(), 1);
    QCOMPARE(m_fake->messages.boxes[0].text, m_fake->runner.next.error);
}

void tst_Messaging::addAlias()
{
    Window w(*m_fake);
    w.Combo1->addItem(QStringLiteral("OLD"));
    for (const char *name : {"PC1", "Smith, John", "  PC9"}) {
        w.txtno->setText(QLatin1String(name));
        w.click("cmdAdd");
        QCOMPARE(w.txtno->text(), QString());
    }
    QCOMPARE(readBytes(file(QStringLiteral("parlo.txt"))), QByteArray("PC1\r\n\"Smith, John\"\r\n\"  PC9\"\r\n"));
    QStringList entries;
    for (int i = 0; i < w.Combo1->count(); ++i)
        entries << w.Combo1->itemText(i);
    QCOMPARE(entries, (QStringList{"OLD", "PC1", "Smith, John", "  PC9"}));
    QVERIFY(m_fake->messages.boxes.isEmpty());

    // Each reads back as the one entry that was added (the leading blanks kept by the quotes).
    Window later(*m_fake);
    later.click("cmdGetalias");
    entries.clear();
    for (int i = 0; i < later.Combo1->count(); ++i)
        entries << later.Combo1->itemText(i);
    QCOMPARE(entries, (QStringList{"PC1", "Smith, John", "  PC9"}));
}

void tst_Messaging::addAliasNeedsAName()
{
    Window w(*m_fake);
    w.click("cmdAdd");
    QCOMPARE(m_fake->messages.boxes.size(), 1);
    QCOMPARE(m_fake->messages.boxes[0].text, QStringLiteral("Nothing to add !"));
    QCOMPARE(m_fake->messages.boxes[0].title, QStringLiteral("Parlo"));
    QCOMPARE(m_fake->messages.boxes[0].icon, BoxIcon::None);
    QCOMPARE(w.Combo1->count(), 0);
    QVERIFY(!QFile::exists(file(QStringLiteral("parlo.txt"))));
}

void tst_Messaging::getAliasesMissingFile()
{
    Window w(*m_fake);
    w.Combo1->addItem(QStringLiteral("OLD"));
    w.click("cmdGetalias");
    QCOMPARE(m_fake->launcher.calls.size(), 1);
    QCOMPARE(m_fake->launcher.calls[0].commandLine, QStringLiteral("cmd /c net view >c:\\parlo.txt"));
    QCOMPARE(m_fake->launcher.calls[0].windowStyle, 2);
    QCOMPARE(m_fake->messages.boxes.size(), 2);
    QCOMPARE(m_fake->messages.boxes[0].text, QStringLiteral("You're missing the file c:\\parlo.txt!"));
    QCOMPARE(m_fake->messages.boxes[0].title, QStringLiteral("Missing File!"));
    QCOMPARE(m_fake->messages.boxes[1].text, QStringLiteral("Click \"Get Aliases\" again"));
    QCOMPARE(m_fake->messages.boxes[1].title, QStringLiteral("Parlo"));
    QCOMPARE(w.Combo1->count(), 1);

    // When net view cannot start, the user hears why, not to click again.
    m_fake->messages.boxes.clear();
    m_fake->launcher.next = {0, QStringLiteral("Cannot start cmd: the program was not found.")};
    w.click("cmdGetalias");
    QCOMPARE(m_fake->messages.boxes.size(), 1);
    QCOMPARE(m_fake->messages.boxes[0].text, m_fake->launcher.next.error);
}

void tst_Messaging::getAliasesAppendsEveryField()
{
    Window w(*m_fake);
    writeBytes(file(QStringLiteral("parlo.txt")), "");
    w.click("cmdGetalias");
    QCOMPARE(w.Combo1->count(), 0); // an empty file: nothing, and no box
    QVERIFY(m_fake->messages.boxes.isEmpty());

    writeBytes(file(QStringLiteral("parlo.txt")), "PC1\r\n  PC9\r\n\r\nA,\"B, C\"\r\n");
    w.Combo1->addItem(QStringLiteral("OLD"));
    w.click("cmdGetalias");
    w.click("cmdGetalias");
    QStringList entries;
    for (int i = 0; i < w.Combo1->count(); ++i)
        entries << w.Combo1->itemText(i);
    const QStringList once{"PC1", "PC9", "", "A", "B, C"};
    QCOMPARE(entries, QStringList{"OLD"} + once + once);
    QVERIFY(m_fake->launcher.calls.isEmpty());
}

void tst_Messaging::listSendStartsOnePerName()
{
    writeBytes(file(QStringLiteral("list2.txt")), "PC1\r\nPC2\r\n\r\nPC3,,007\r\n  John Smith\r\n");
    Window w(*m_fake);
    w.txtmsg->setPlainText(QStringLiteral("hello"));
    w.choose("mlist2");
    QStringList lines;
    for (const LaunchCall &call : std::as_const(m_fake->launcher.calls)) {
        lines << call.commandLine;
        QCOMPARE(call.windowStyle, 2);
    }
    QCOMPARE(lines, (QStringList{"net send PC1 hello", "net send PC2 hello", "net send PC3 hello",
                                 "net send 007 hello", "net send John Smith hello"}));
    QCOMPARE(w.txtmsg->toPlainText(), QStringLiteral("hello"));
    QVERIFY(m_fake->runner.calls.isEmpty());
    QVERIFY(m_fake->messages.boxes.isEmpty());
}

void tst_Messaging::listSendChecks_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("text");
    QTest::addColumn<BoxIcon>("icon");

    QTest::newRow("empty message") << "" << "First type something to send !" << BoxIcon::Information;
    QTest::newRow("missing list") << "hello" << "First create a file by choosing Edit ListX where x is the list number 1-4"
                                  << BoxIcon::None;
}

void tst_Messaging::listSendChecks()
{
    QFETCH(QString, message);
    for (const char *other : {"list1.txt", "list2.txt", "list4.txt"})
        writeBytes(file(QLatin1String(other)), "PC1\r\n");
    Window w(*m_fake);
    w.txtmsg->setPlainText(message);
    w.choose("mlist3");
    QVERIFY(m_fake->launcher.calls.isEmpty());
    QCOMPARE(m_fake->messages.boxes.size(), 1);
    QTEST(m_fake->messages.boxes[0].text, "text");
    QCOMPARE(m_fake->messages.boxes[0].title, QStringLiteral("Parlo"));
    QTEST(m_fake->messages.boxes[0].icon, "icon");
}

void tst_Messaging::editLists()
{
    Window w(*m_fake);
    for (const char *item : {"mEAlias", "eList1", "mElist2", "mElist3", "mElist4"})
        w.choose(item);
    QStringList lines;
    for (const LaunchCall &call : std::as_const(m_fake->launcher.calls)) {
        lines << call.commandLine;
        QCOMPARE(call.windowStyle, 1);
    }
    QCOMPARE(lines, (QStringList{"notepad.exe c:\\parlo.txt", "notepad.exe c:\\list1.txt", "notepad.exe c:\\list2.txt",
                                 "notepad.exe c:\\list3.txt", "notepad.exe c:\\list4.txt"}));
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
    writeProgram(compat + QStringLiteral("/net"),
                 "#!/bin/sh\necho \"$*\" > \"$PARLO_DATA_DIR/$$.part\"\nmv \"$PARLO_DATA_DIR/$$.part\" "
                 "\"$PARLO_DATA_DIR/$$.args\"\nsleep 2\n");
    writeBytes(file(QStringLiteral("list1.txt")), "PC1\r\nPC2\r\nPC3\r\n");
    NotingLauncher launcher({compat, m_temp->path()});
    Host host{m_fake->runner, launcher, m_fake->messages, m_fake->facts, m_fake->paths};
    parlo window(host);
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
