#include "PlatformFiles.h"
#include "ProcessTable.h"
#include "StandIn.h"
#include "core/BoundedOutput.h"
#include "platform/GuardDialog.h"
#include "platform/LinuxFacts.h"
#include "platform/RunningCommand.h"
#include "platform/ShellInterpreter.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/wait.h>
#include <unistd.h>

namespace {

// The runner over the real /bin/sh, with its TEMP, compat and data folders in a temporary
// folder, and a ping in compat/ that tells how it was started.
struct RealRunner
{
    explicit RealRunner(RunGuard &guard) : interpreter({path("compat"), path("data")}, facts, guard)
    {
        QDir(temp.path()).mkpath(QStringLiteral("tmp"));
        writeFile(path("compat/ping"), standInProgram("echo \"compat ping $* style=$style data=$data\"\n"), true);
    }
    QString path(const char *name) const { return temp.filePath(QLatin1String(name)); }
    bool tempIsEmpty() const { return QDir(path("tmp")).isEmpty(); }

    QTemporaryDir temp;
    LinuxFacts facts{environmentOf({"TEMP=" + path("tmp")})};
    ShellInterpreter interpreter;
    Runner runner{interpreter};
};

} // namespace

class tst_ShellRunner : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void output();
    void leftOutputRemoved();
    void stop();
    void literals();

private:
    QuietGuard m_quiet;
};

// What a command prints comes back unchanged (@: the temporary folder), and the output file goes.
void tst_ShellRunner::output()
{
    const QString y = QStringLiteral("y\n");
    // The name, the command, what it prints and what @/own.txt holds afterwards.
    // clang-format off
    const std::tuple<const char *, QString, QString, QByteArray> rows[] = {
        {"CR LF kept, trailing line end", "printf 'a\\r\\nb\\r\\n'", "a\r\nb\r\n", {}},
        {"standard error only", "echo oops >&2", "", {}},
        {"standard input is empty", "cat", "", {}},
        {"own redirection", "echo hi >@/own.txt", "", "hi\n"},
        {"locale text", "printf 'caf\\303\\251'", "caf\u00e9", {}},
        {"compat programs first", "ping  -n 1 127.0.0.1", "compat ping -n 1 127.0.0.1 style=6 data=@/data\n", {}},
        // However much a command prints, memory stays bounded: its first and last lines come back.
        {"large output bounded", "yes | head -n 3000000; echo end",
         y.repeated(BoundedOutput::partLines) + "[... 5980002 bytes of output left out ...]\n" +
             y.repeated(BoundedOutput::partLines - 1) + "end\n", {}},
    };
    // clang-format on
    for (auto [name, command, expected, ownFile] : rows) {
        RealRunner real(m_quiet);
        const Capture capture = real.runner.RunCapture(command.replace(u'@', real.temp.path()), 6);
        QVERIFY2(!capture.failed(), qPrintable(capture.error));
        const QString shown = name + (": " + capture.text.right(200));
        QVERIFY2(capture.text == expected.replace(u'@', real.temp.path()), qPrintable(shown));
        QVERIFY2(real.tempIsEmpty(), name);
        QFile own(real.path("own.txt"));
        QVERIFY2((own.open(QIODevice::ReadOnly) ? own.readAll() : QByteArray()) == ownFile, name);
    }
}

// Only the user's own regular output files of Parlo processes that ended are removed.
void tst_ShellRunner::leftOutputRemoved()
{
    RealRunner real(m_quiet);
    const pid_t ended = ::fork();
    if (ended == 0)
        ::_exit(0);
    ::waitpid(ended, nullptr, 0);
    const QString tmp = real.path("tmp") + u'/';
    const QString dead = QStringLiteral("OUT%1-").arg(ended);
    const QString link = dead + QStringLiteral("link00.tmp");
    const QString folder = dead + QStringLiteral("dir000.tmp");
    const QStringList files{dead + QStringLiteral("aaaaaa.tmp.x"), QStringLiteral("OUT%1-bbbbbb.tmp").arg(getpid()),
                            QStringLiteral("OUT1-cccccc.tmp"), QStringLiteral("OUTx-dddddd.tmp")};
    for (const QString &name : files + QStringList{dead + QStringLiteral("Ab3xYz.tmp")})
        writeFile(tmp + name, "x");
    QVERIFY(QFile::link(tmp + QStringLiteral("OUT1-cccccc.tmp"), tmp + link));
    QVERIFY(QDir().mkdir(tmp + folder));

    QCOMPARE(real.interpreter.removeLeftOutput(), 1);
    QStringList left = QDir(tmp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    left.sort();
    QStringList expected = files + QStringList{link, folder};
    expected.sort();
    QCOMPARE(left, expected);
}

// A command that takes a while shows the "Running" dialog, whose Stop or its keys end the whole
// process tree the command started.
void tst_ShellRunner::stop()
{
    // The command; what is captured besides the group id that it prints; whether the dialog shows;
    // the sleeping members of the tree when Stop is pressed (-1: any); the key that stops it.
    // clang-format off
    const std::tuple<QString, QString, bool, int, QString> rows[] = {
        {"echo $$; echo quick", "quick\n", false, -1, ""},
        {"echo begun; echo $$; sleep 1000; sleep 1000", "begun\nStopped.", true, 1, "Esc"},
        // Like ping, a program that prints its statistics when interrupted: SIGINT comes first.
        {"echo $$; sh -c 'trap \"echo summary; exit 0\" INT; while :; do sleep 0.05; done'", "summary\nStopped.",
         true, -1, "Alt+S"},
        // What ignores SIGINT gets SIGKILL a second later.
        {"trap '' INT; echo $$; sleep 1000", "Stopped.", true, 1, "Esc"},
        // A non-interactive shell starts its background commands with interrupts ignored.
        {"echo $$; sh -c 'sleep 1000 & sleep 1000'", "Stopped.", true, 2, "Alt+S"},
        {"trap '' INT; echo $$; sh -c 'sleep 1000 & sleep 1000' & sh -c 'sleep 1000 & wait'; sleep 1000",
         "Stopped.", true, 3, "Esc"},
    };
    // clang-format on
    for (const auto &[command, captured, shown, sleeps, stopKey] : rows) {
        const QByteArray row = command.toUtf8();
        const QString stopWith = stopKey;
        GuardDialog guard;
        RealRunner real(guard);

        // Every 10 ms, look for the "Running" dialog, note what it shows, type Enter and Space (which
        // must not stop the command) and the row's key for Stop; give up after a bounded number of
        // looks. The shell Parlo started leads a group of its own.
        QElapsedTimer clock;
        clock.start();
        qint64 stoppedAtMs = -1;
        QString text;
        int sleeping = 0;
        int looks = 0;
        int typedWhileRunning = 0; // keys typed while Stop could still be pressed
        bool stoppedByKey = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (++looks > 1000)
                poll.stop();
            if (!modal || modal->objectName() != u"RunningDialog" || !modal->isActiveWindow())
                return;
            poll.stop();
            stoppedAtMs = clock.elapsed();
            text = modal->findChild<QLabel *>()->text();
            const QList<ProcessEntry> table = processTable();
            for (const ProcessEntry &leader : table) {
                for (const ProcessEntry &process : table)
                    sleeping += leader.parent == ::getpid() && leader.pid == leader.group &&
                                process.group == leader.group && process.name == "sleep";
            }
            QPushButton *stop = modal->findChild<QPushButton *>(QStringLiteral("Stop"));
            for (const QString &key :
                 {QStringLiteral("Return"), QStringLiteral("Enter"), QStringLiteral("Space"), stopWith}) {
                typedWhileRunning += stop->isEnabled();
                const QKeyCombination typed = QKeySequence(key)[0];
                QWidget *focus = QApplication::focusWidget();
                QTest::keyClick(focus ? focus : modal, typed.key(), typed.keyboardModifiers());
            }
            // A shortcut clicks a moment later.
            stoppedByKey = QTest::qWaitFor([stop] { return !stop->isEnabled(); }, 1000);
            stop->click(); // when no key has stopped it
        });
        poll.start(10);

        const Capture capture = real.runner.RunCapture(command, 6);

        QVERIFY2((stoppedAtMs >= 0) == shown && typedWhileRunning == (shown ? 4 : 0) && stoppedByKey == shown, row);
        if (shown) {
            QVERIFY2(stoppedAtMs >= GuardDialog::delayMs - 50, qPrintable(QString::number(stoppedAtMs)));
            QVERIFY2(text == command, row);
        }
        QStringList lines = capture.text.split(u'\n');
        const qint64 group = lines.takeAt(lines.indexOf(QRegularExpression(QStringLiteral("^\\d+$")))).toLongLong();
        QVERIFY2(group > 0 && lines.join(u'\n') == captured, row); // what was captured before Stop
        QVERIFY2(sleeps < 0 || sleeping == sleeps, row);
        QTRY_VERIFY2_WITH_TIMEOUT(livingMembers(group).isEmpty(), row, 2000);
        QVERIFY2(clock.elapsed() - qMax<qint64>(stoppedAtMs, 0) < 2000, row); // the whole tree, within 2 s of Stop
        QVERIFY2(real.tempIsEmpty() && !QApplication::activeModalWidget(), row);
    }
}

// What a user typed reaches the program as typed, and nothing of it acts as shell syntax.
void tst_ShellRunner::literals()
{
    RealRunner real(m_quiet);
    const QString dir = real.temp.path();
    // A program that writes each argument it gets, NUL-terminated.
    writeFile(real.path("compat/args"), "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done\n", true);
    const QString touch = QStringLiteral("touch @/pwned");
    // Put in as literal words, then as one literal; what the program receives (none: "BOB" and the text).
    // clang-format off
    const std::tuple<QString, QString, QStringList> rows[] = {
        {"BOB", "say 'hi' and \"bye\"", {}},
        {"BOB", "$(" + touch + ") `" + touch + "` $HOME ${PATH}", {}},
        {"BOB", "a; " + touch + " & " + touch + " | " + touch, {}},
        {"BOB", "<@/in >@/pwned", {}},
        {"BOB", "\\n * ~ ?", {}},
        {"BOB", "one\n" + touch, {}},
        {"BOB", "#1 >  2", {}}, // comment sign, double blank
        {"B;" + touch, "hi", {"B;touch", "@/pwned", "hi"}},
        {"John Smith>@/pwned", "hi", {"John", "Smith>@/pwned", "hi"}},
    };
    // clang-format on
    for (auto [words, text, arguments] : rows) {
        for (QString *typed : {&words, &text})
            typed->replace(u'@', dir);
        if (arguments.isEmpty())
            arguments = QStringList{"BOB", text};
        const QString line = "args " + literalWords(real.runner, words) + u' ' + real.runner.literal(text);
        QStringList received = real.runner.RunCapture(line, 6).text.split(QChar(0));
        QVERIFY2(received.takeLast().isEmpty() && received == arguments.replaceInStrings("@", dir), qPrintable(line));
        QVERIFY2(!QFile::exists(real.path("pwned")), qPrintable(line));
    }
    // Words of letters beyond ASCII stand as typed; a blank beyond ASCII is quoted all the same.
    QCOMPARE(real.runner.literal(QStringLiteral("Grüße Ærø")), QStringLiteral("Grüße Ærø"));
    QVERIFY(real.runner.literal(QStringLiteral("a\u00a0b")).startsWith(u'\''));
}

QTEST_MAIN(tst_ShellRunner)
#include "tst_shellrunner.moc"
