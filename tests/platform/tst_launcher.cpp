#include "StandIn.h"
#include "TestFiles.h"
#include "platform/HostConfig.h"
#include "platform/LinuxLauncher.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/wait.h>
#include <unistd.h>

class tst_Launcher : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void split_data();
    void split();
    void start_data();
    void start();
    void followedEndsAreTold();
    void programFolder_data();
    void programFolder();
};

void tst_Launcher::split_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("words");

    // clang-format off
    QTest::newRow("blanks and tabs") << "  cmd \t/c   net view >c:\\parlo.txt " << QStringList{"cmd", "/c", "net", "view", ">c:\\parlo.txt"};
    QTest::newRow("quote inside word") << "a\"b c\"d" << QStringList{"ab cd"};
    QTest::newRow("unclosed quote") << "a \"b c" << QStringList{"a", "b c"};
    QTest::newRow("blanks only") << "   " << QStringList{};
    // clang-format on
}

void tst_Launcher::split()
{
    QFETCH(QString, line);
    QTEST(splitCommandLine(line), "words");
}

void tst_Launcher::start_data()
{
    QTest::addColumn<QString>("line");          // a command line; started by arguments, the program alone
    QTest::addColumn<QStringList>("arguments"); // none: started by the command line
    QTest::addColumn<QStringList>("received");  // the window style, then the words; @ is the data folder
    QTest::addColumn<QString>("error");         // a part of the error, which names the program; empty: started

    const QString message = QStringLiteral("say \"hi\"  \tto c:\\temp");
    const QStringList none;
    // clang-format off
    QTest::newRow("line, drive paths mapped") << "true \"two words\" plain >c:\\out.txt \"\"" << none
        << QStringList{"2", "two words", "plain", ">@/out.txt", "", ""} << "";
    QTest::newRow("arguments as they are") << "true" << QStringList{"two words", ">c:\\out.txt", message}
        << QStringList{"2", "two words", ">c:\\out.txt", message, ""} << "";
    QTest::newRow("not found") << "no-such-program-9 x" << none << none << "no-such-program-9";
    QTest::newRow("not a program") << "broken" << none << none << "broken";
    QTest::newRow("empty") << "" << none << none << "empty command line";
    QTest::newRow("NUL in a word") << QString("broken a") + QChar(0) + "b" << none << none
                                   << "broken: its command line holds a NUL character";
    // clang-format on
}

void tst_Launcher::start()
{
    QFETCH(QString, line);
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, received);
    QFETCH(QString, error);
    QTemporaryDir temp;
    const QString compat = temp.filePath(QStringLiteral("compat"));
    const QString data = temp.filePath(QStringLiteral("data"));
    QVERIFY(QDir().mkpath(data));
    // Named like a system program: only the copy in compat/ writes a report.
    writeFile(compat + QStringLiteral("/true"),
              standInProgram("read -r pid comm state ppid pgrp sid rest < /proc/$$/stat\n"
                             "printf '%s\\n' $$ $ppid $sid \"$style\" \"$@\" > \"$data/report.part\"\n"
                             "mv \"$data/report.part\" \"$data/report\"\n"),
              true);
    writeFile(compat + QStringLiteral("/broken"), "no interpreter line, not a binary\n", true);

    LinuxLauncher launcher({compat, data});
    const Launch launch = arguments.isEmpty() ? launcher.start(line, 2) : launcher.startProgram(line, arguments, 2);
    if (!error.isEmpty()) {
        QVERIFY2(launch.failed() && launch.error.contains(error), qPrintable(launch.error));
        QCOMPARE(launch.pid, 0);
        return;
    }
    QVERIFY2(!launch.failed(), qPrintable(launch.error));

    QFile report(data + QStringLiteral("/report"));
    QTRY_VERIFY_WITH_TIMEOUT(report.exists(), 5000);
    QVERIFY(report.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLocal8Bit(report.readAll()).split(u'\n');
    QCOMPARE(lines.mid(3), received.replaceInStrings(QStringLiteral("@"), data));
    QCOMPARE(lines[0], QString::number(launch.pid));
    // A session of its own, and once it has ended, no zombie of Parlo's.
    QCOMPARE(lines[2], lines[0]);
    QTRY_VERIFY_WITH_TIMEOUT(::kill(pid_t(launch.pid), 0) != 0 && errno == ESRCH, 5000);
}

// The exit status of a followed program arrives in the event loop, once per program, also for
// one a signal ends.
void tst_Launcher::followedEndsAreTold()
{
    QTemporaryDir temp;
    LinuxLauncher launcher({temp.path(), temp.path()});
    QMap<QString, int> told;
    for (const QString &script : {QStringLiteral("exit 5"), QStringLiteral("exit 0"), QStringLiteral("kill -9 $$")}) {
        const auto ended = [&told, script](int exitCode) { told.insert(script, exitCode); };
        QVERIFY(!launcher.startFollowed(QStringLiteral("sh"), {QStringLiteral("-c"), script}, 2, ended).failed());
    }
    QTRY_COMPARE_WITH_TIMEOUT(told.size(), 3, 5000);
    QCOMPARE(told.values(), (QList<int>{0, 5, -1})); // by script, sorted
}

void tst_Launcher::programFolder_data()
{
    QTest::addColumn<QStringList>("folders"); // made below the temporary folder
    QTest::addColumn<QString>("program");     // the program's folder
    QTest::addColumn<QString>("expected");    // where the programs it starts are looked for

    // clang-format off
    QTest::newRow("installed") << QStringList{"usr/bin", "usr/lib/parlo/compat"} << "usr/bin" << "usr/lib/parlo/compat";
    QTest::newRow("beside wins") << QStringList{"usr/bin/compat", "usr/lib/parlo/compat"} << "usr/bin" << "usr/bin/compat";
    QTest::newRow("neither") << QStringList{"usr/bin"} << "usr/bin" << "usr/bin/compat";
    // clang-format on
}

void tst_Launcher::programFolder()
{
    QFETCH(QStringList, folders);
    QFETCH(QString, program);
    QTemporaryDir temp;
    for (const QString &folder : folders)
        QVERIFY(QDir(temp.path()).mkpath(folder));
    QFETCH(QString, expected);
    QCOMPARE(HostConfig::programFolder(temp.filePath(program), "compat"), temp.filePath(expected));
}

QTEST_GUILESS_MAIN(tst_Launcher)
#include "tst_launcher.moc"
