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
    // A command line parts at blanks and tabs outside quotes, its drive paths mapped; arguments are
    // handed on as they are.
    void start()
    {
        const QString message = QStringLiteral("say \"hi\"  \tto c:\\temp");
        // The command line, or the program alone when there are arguments; the arguments; what the
        // program receives: the window style, then the words, @ for the data folder; else a part
        // of the error, which names the program.
        const std::tuple<QString, QStringList, QStringList, QString> rows[] = {
            {"true  \"two words\"\ta\"b c\"d >c:\\out.txt \"\" \"e f",
             {},
             {"2", "two words", "ab cd", ">@/out.txt", "", "e f", ""},
             {}},
            {"true", {"two words", ">c:\\out.txt", message}, {"2", "two words", ">c:\\out.txt", message, ""}, {}},
            {"no-such-program-9 x", {}, {}, "no-such-program-9"},
            {"broken", {}, {}, "broken"},
            {" \t ", {}, {}, "empty command line"},
            {QString("broken a") + QChar(0) + "b", {}, {}, "broken: its command line holds a NUL character"},
        };
        for (auto [line, arguments, received, error] : rows) {
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
            const Launch launch =
                arguments.isEmpty() ? launcher.start(line, 2) : launcher.startProgram(line, arguments, 2);
            if (!error.isEmpty()) {
                QVERIFY2(launch.failed() && launch.error.contains(error), qPrintable(line + ": " + launch.error));
                QCOMPARE(launch.pid, 0);
                continue;
            }
            QVERIFY2(!launch.failed(), qPrintable(launch.error));
            QFile report(data + QStringLiteral("/report"));
            QTRY_VERIFY_WITH_TIMEOUT(report.exists(), 5000);
            QVERIFY(report.open(QIODevice::ReadOnly));
            const QStringList lines = QString::fromLocal8Bit(report.readAll()).split(u'\n');
            QVERIFY2(lines.mid(3) == received.replaceInStrings(QStringLiteral("@"), data), qPrintable(line));
            QCOMPARE(lines[0], QString::number(launch.pid));
            // A session of its own, and once it has ended, no zombie of Parlo's.
            QCOMPARE(lines[2], lines[0]);
            QTRY_VERIFY_WITH_TIMEOUT(::kill(pid_t(launch.pid), 0) != 0 && errno == ESRCH, 5000);
        }
    }

    // The exit status of a followed program arrives in the event loop, once per program, also for
    // one a signal ends.
    void followedEndsAreTold()
    {
        QTemporaryDir temp;
        LinuxLauncher launcher({temp.path(), temp.path()});
        QMap<QString, int> told;
        for (const QString &script :
             {QStringLiteral("exit 5"), QStringLiteral("exit 0"), QStringLiteral("kill -9 $$")}) {
            const auto ended = [&told, script](int exitCode) { told.insert(script, exitCode); };
            QVERIFY(!launcher.startFollowed(QStringLiteral("sh"), {QStringLiteral("-c"), script}, 2, ended).failed());
        }
        QTRY_COMPARE_WITH_TIMEOUT(told.size(), 3, 5000);
        QCOMPARE(told.values(), (QList<int>{0, 5, -1})); // by script, sorted
    }

    // Where the programs Parlo starts are looked for: a compat folder beside the program's wins.
    void programFolder()
    {
        // The folders made below the temporary folder, the program's folder, and the answer.
        const std::tuple<QStringList, QString, QString> rows[] = {
            {{"usr/bin", "usr/lib/parlo/compat"}, "usr/bin", "usr/lib/parlo/compat"},
            {{"usr/bin/compat", "usr/lib/parlo/compat"}, "usr/bin", "usr/bin/compat"},
            {{"usr/bin"}, "usr/bin", "usr/bin/compat"},
        };
        for (const auto &[folders, program, expected] : rows) {
            QTemporaryDir temp;
            for (const QString &folder : folders)
                QVERIFY(QDir(temp.path()).mkpath(folder));
            QCOMPARE(HostConfig::programFolder(temp.filePath(program), "compat"), temp.filePath(expected));
        }
    }
};

QTEST_GUILESS_MAIN(tst_Launcher)
#include "tst_launcher.moc"
