#include "LinuxLauncher.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void writeProgram(const QString &path, const QByteArray &text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

QMap<QString, QStringList> readReport(const QString &path)
{
    QMap<QString, QStringList> report;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const QStringList lines = QString::fromLocal8Bit(file.readAll()).split(u'\n');
        for (const QString &line : lines) {
            if (line.contains(u'='))
                report[line.section(u'=', 0, 0)].append(line.section(u'=', 1));
        }
    }
    return report;
}

} // namespace

class tst_Launcher : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void split_data();
    void split();
    void findsCompatFirst();
    void startsDetachedWithMappedWords();
    void failuresNameTheProgram_data();
    void failuresNameTheProgram();
};

void tst_Launcher::split_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("words");

    // clang-format off
    QTest::newRow("words") << "notepad.exe c:\\parlo.txt" << QStringList{"notepad.exe", "c:\\parlo.txt"};
    QTest::newRow("runs of blanks") << "  cmd  /c   net view  " << QStringList{"cmd", "/c", "net", "view"};
    QTest::newRow("tabs") << "a\tb" << QStringList{"a", "b"};
    QTest::newRow("quoted blank") << "net send \"PC 1\" hi" << QStringList{"net", "send", "PC 1", "hi"};
    QTest::newRow("quote inside word") << "a\"b c\"d" << QStringList{"ab cd"};
    QTest::newRow("empty quotes") << "a \"\" b" << QStringList{"a", "", "b"};
    QTest::newRow("unclosed quote") << "a \"b c" << QStringList{"a", "b c"};
    QTest::newRow("redirect kept") << "cmd /c net view >c:\\parlo.txt" << QStringList{"cmd", "/c", "net", "view", ">c:\\parlo.txt"};
    QTest::newRow("empty line") << "" << QStringList{};
    QTest::newRow("blanks only") << "   " << QStringList{};
    // clang-format on
}

void tst_Launcher::split()
{
    QFETCH(QString, line);
    QFETCH(QStringList, words);
    QCOMPARE(splitCommandLine(line), words);
}

void tst_Launcher::findsCompatFirst()
{
    QTemporaryDir temp;
    QDir(temp.path()).mkpath(QStringLiteral("compat"));
    QDir(temp.path()).mkpath(QStringLiteral("bin"));
    writeProgram(temp.filePath(QStringLiteral("compat/net")), "#!/bin/sh\n");
    writeProgram(temp.filePath(QStringLiteral("bin/net")), "#!/bin/sh\n");
    QFile plain(temp.filePath(QStringLiteral("bin/notes")));
    QVERIFY(plain.open(QIODevice::WriteOnly)); // not executable
    plain.close();

    const QString path = temp.filePath(QStringLiteral("compat")) + u':' + temp.filePath(QStringLiteral("bin"));
    QCOMPARE(findProgram(QStringLiteral("net"), path), temp.filePath(QStringLiteral("compat/net")));
    QCOMPARE(findProgram(QStringLiteral("notes"), path), QString());
    QCOMPARE(findProgram(QStringLiteral("missing"), path), QString());
    QCOMPARE(findProgram(QStringLiteral("/bin/sh"), path), QStringLiteral("/bin/sh"));
}

void tst_Launcher::startsDetachedWithMappedWords()
{
    QTemporaryDir temp;
    const QString compat = temp.filePath(QStringLiteral("compat"));
    const QString data = temp.filePath(QStringLiteral("data"));
    QDir().mkpath(compat);
    QDir().mkpath(data);
    writeProgram(compat + QStringLiteral("/probe"),
                 "#!/bin/sh\n"
                 "read -r pid comm state ppid pgrp sid rest < /proc/$$/stat\n"
                 "{ echo \"pid=$$\"; echo \"ppid=$ppid\"; echo \"sid=$sid\"; echo \"style=$PARLO_WINDOW_STYLE\";\n"
                 "  for a in \"$@\"; do echo \"arg=$a\"; done; } > \"$PARLO_DATA_DIR/report.part\"\n"
                 "mv \"$PARLO_DATA_DIR/report.part\" \"$PARLO_DATA_DIR/report\"\n");

    LinuxLauncher launcher({compat, data});
    const Launch launch = launcher.start(QStringLiteral("probe \"two words\" plain >c:\\out.txt \"\""), 2);
    QVERIFY2(!launch.failed(), qPrintable(launch.error));

    const QString reportPath = data + QStringLiteral("/report");
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(reportPath), 5000);
    const auto report = readReport(reportPath);
    QCOMPARE(report.value(QStringLiteral("arg")),
             (QStringList{QStringLiteral("two words"), QStringLiteral("plain"), u'>' + data + QStringLiteral("/out.txt"),
                          QString()}));
    QCOMPARE(report.value(QStringLiteral("style")), QStringList{QStringLiteral("2")});
    QCOMPARE(report.value(QStringLiteral("pid")), QStringList{QString::number(launch.pid)});
    // A session of its own, left by the process that made it.
    QVERIFY(report.value(QStringLiteral("sid")) != QStringList{QString::number(getsid(0))});
    QVERIFY(report.value(QStringLiteral("ppid")) != QStringList{QString::number(getpid())});

    // Nothing is left for Parlo to reap.
    int status = 0;
    QCOMPARE(::waitpid(-1, &status, WNOHANG), -1);
    QCOMPARE(errno, ECHILD);
}

void tst_Launcher::failuresNameTheProgram_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("named");

    QTest::newRow("not found") << "no-such-program-9 x" << "no-such-program-9";
    QTest::newRow("not a program") << "broken" << "broken";
    QTest::newRow("empty") << "" << "empty command line";
}

void tst_Launcher::failuresNameTheProgram()
{
    QFETCH(QString, line);
    QFETCH(QString, named);
    QTemporaryDir temp;
    writeProgram(temp.filePath(QStringLiteral("broken")), "no interpreter line, not a binary\n");
    LinuxLauncher launcher({temp.path(), temp.path()});

    const Launch launch = launcher.start(line, 1);

    QVERIFY(launch.failed());
    QVERIFY2(launch.error.contains(named), qPrintable(launch.error));
    QCOMPARE(launch.pid, 0);
}

QTEST_GUILESS_MAIN(tst_Launcher)
#include "tst_launcher.moc"
