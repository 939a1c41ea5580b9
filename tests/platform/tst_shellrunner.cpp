#include "LinuxFacts.h"
#include "RunningCommand.h"
#include "ShellInterpreter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// Stops the command a while after it started, as a user pressing Stop would.
class StoppingGuard final : public RunGuard
{
public:
    explicit StoppingGuard(int afterMs) : m_afterMs(afterMs) {}
    void watch(RunningCommand &command) override
    {
        QTimer::singleShot(m_afterMs, &command, [&command] { command.stop(); });
        QuietGuard().watch(command);
    }

private:
    int m_afterMs;
};

// Processes of the group that are still alive (zombies waiting for init do not count).
int livingMembers(qint64 group)
{
    int count = 0;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool numeric = false;
        entry.toLongLong(&numeric);
        if (!numeric)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 2 && fields[2].toLongLong() == group && fields[0] != "Z")
            ++count;
    }
    return count;
}

// One runner over the real /bin/sh, with its TEMP, compat and data folders in a temporary folder.
struct RealRunner
{
    explicit RealRunner(RunGuard &guard)
        : facts(environment()), interpreter({temp.filePath(QStringLiteral("compat")), temp.filePath(QStringLiteral("data"))},
                                            facts, guard),
          runner(interpreter)
    {
        QDir(temp.path()).mkpath(QStringLiteral("tmp"));
        QDir(temp.path()).mkpath(QStringLiteral("compat"));
    }
    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TEMP"), temp.filePath(QStringLiteral("tmp")));
        return environment;
    }
    QString tempDirectory() const { return temp.filePath(QStringLiteral("tmp")); }
    bool tempIsEmpty() const { return QDir(tempDirectory()).isEmpty(); }

    QTemporaryDir temp;
    LinuxFacts facts;
    ShellInterpreter interpreter;
    Runner runner;
};

} // namespace

class tst_ShellRunner : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void output_data();
    void output();
    void ownRedirectionLeavesOutputEmpty();
    void eachCallHasItsOwnFile();
    void largeOutputIntact();
    void compatProgramsComeFirst();
    void stop_data();
    void stop();

private:
    QuietGuard m_quiet;
};

void tst_ShellRunner::output_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("expected");

    // clang-format off
    QTest::newRow("CR LF kept, trailing line end") << "printf 'a\\r\\nb\\r\\n'" << "a\r\nb\r\n";
    QTest::newRow("LF kept") << "printf 'one\\n\\ntwo'" << "one\n\ntwo";
    QTest::newRow("empty command") << "" << "";
    QTest::newRow("standard error only") << "echo oops >&2" << "";
    QTest::newRow("unknown command") << "no-such-command-7" << "";
    QTest::newRow("standard input is empty") << "cat" << "";
    QTest::newRow("read gets end of input") << "read x; echo \"got:$x\"" << "got:\n";
    QTest::newRow("shell syntax") << "for i in 1 2; do echo $i; done | tr '\\n' ,;" << "1,2,";
    QTest::newRow("locale text") << "printf 'caf\\303\\251'" << "caf\u00e9";
    // clang-format on
}

void tst_ShellRunner::output()
{
    QFETCH(QString, command);
    QFETCH(QString, expected);
    RealRunner real(m_quiet);
    const Capture capture = real.runner.RunCapture(command, 6);
    QVERIFY2(!capture.failed(), qPrintable(capture.error));
    QCOMPARE(capture.text, expected);
    QVERIFY(real.tempIsEmpty());
}

void tst_ShellRunner::ownRedirectionLeavesOutputEmpty()
{
    RealRunner real(m_quiet);
    const QString target = real.temp.filePath(QStringLiteral("own.txt"));
    const Capture capture = real.runner.RunCapture(QStringLiteral("echo hi >") + target, 6);
    QCOMPARE(capture.text, QString());
    QFile file(target);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("hi\n"));
}

void tst_ShellRunner::eachCallHasItsOwnFile()
{
    RealRunner real(m_quiet);
    const QString command = QStringLiteral("readlink /proc/$$/fd/1");
    const QString first = real.runner.RunCapture(command, 6).text.trimmed();
    const QString second = real.runner.RunCapture(command, 6).text.trimmed();
    for (const QString &path : {first, second}) {
        const QFileInfo info(path);
        QCOMPARE(info.absolutePath(), QFileInfo(real.tempDirectory()).canonicalFilePath());
        QVERIFY2(info.fileName().startsWith(u"OUT") && info.fileName().endsWith(u".tmp"), qPrintable(path));
        QVERIFY(!info.exists());
    }
    QVERIFY(first != second);
}

void tst_ShellRunner::largeOutputIntact()
{
    RealRunner real(m_quiet);
    constexpr qsizetype size = 50 * 1024 * 1024;
    const Capture capture =
        real.runner.RunCapture(QStringLiteral("head -c %1 /dev/zero | tr '\\000' x; echo end").arg(size), 6);
    QCOMPARE(capture.text.size(), size + 4);
    QCOMPARE(capture.text.count(u'x'), size);
    QVERIFY(capture.text.endsWith(QStringLiteral("xend\n")));
    QVERIFY(real.tempIsEmpty());
}

void tst_ShellRunner::compatProgramsComeFirst()
{
    RealRunner real(m_quiet);
    QFile program(real.temp.filePath(QStringLiteral("compat/ping")));
    QVERIFY(program.open(QIODevice::WriteOnly));
    program.write("#!/bin/sh\necho \"compat ping $* style=$PARLO_WINDOW_STYLE data=$PARLO_DATA_DIR\"\n");
    program.close();
    program.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const Capture capture = real.runner.RunCapture(QStringLiteral("ping  -n 1 127.0.0.1"), 6);
    QCOMPARE(capture.text, QStringLiteral("compat ping -n 1 127.0.0.1 style=6 data=%1\n")
                               .arg(real.temp.filePath(QStringLiteral("data"))));
}

void tst_ShellRunner::stop_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("captured"); // before the group id that the command prints last

    // clang-format off
    QTest::newRow("sleeps in a row") << "echo begun; echo $$; sleep 1000; sleep 1000" << "begun\n";
    // Like ping, a program that prints its statistics when interrupted: SIGINT comes first.
    QTest::newRow("summary on interrupt")
        << "echo $$; sh -c 'trap \"echo summary; exit 0\" INT; while :; do sleep 0.05; done'" << "summary\n";
    // What ignores SIGINT gets SIGKILL a second later.
    QTest::newRow("interrupt ignored") << "trap '' INT; echo $$; sleep 1000" << "";
    // clang-format on
}

void tst_ShellRunner::stop()
{
    QFETCH(QString, command);
    QFETCH(QString, captured);
    StoppingGuard guard(300);
    RealRunner real(guard);
    QElapsedTimer clock;
    clock.start();
    const Capture capture = real.runner.RunCapture(command, 6);
    QVERIFY2(clock.elapsed() < 2500, qPrintable(QString::number(clock.elapsed())));
    QStringList lines = capture.text.split(u'\n');
    const qint64 group = lines.takeAt(lines.indexOf(QRegularExpression(QStringLiteral("^\\d+$")))).toLongLong();
    QVERIFY(group > 0);
    QCOMPARE(lines.join(u'\n'), captured);
    QTRY_COMPARE_WITH_TIMEOUT(livingMembers(group), 0, 2000);
    QVERIFY(real.tempIsEmpty());
}

QTEST_GUILESS_MAIN(tst_ShellRunner)
#include "tst_shellrunner.moc"
