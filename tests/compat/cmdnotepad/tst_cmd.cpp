#include "CmdLine.h"
#include "FixedPaths.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class tst_Cmd : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void line_data();
    void line();
    void run_data();
    void run();
};

void tst_Cmd::line_data()
{
    QTest::addColumn<QStringList>("arguments"); // after the program name
    QTest::addColumn<bool>("blankInFolder");    // the data folder's name holds a blank
    QTest::addColumn<QString>("expected");      // @ is the data folder; "usage" for an invalid use

    // clang-format off
    QTest::newRow("net view") << QStringList{"/c", "net", "view", ">c:\\parlo.txt"} << false << "net view >@/parlo.txt";
    QTest::newRow("option glued") << QStringList{"/cecho", "hi"} << false << "echo hi";
    QTest::newRow("append") << QStringList{"/c", "echo", "x", ">>C:\\list1.txt"} << false << "echo x >>@/list1.txt";
    QTest::newRow("backslash eaten by a shell") << QStringList{"/c", "cat", "c:parlo.txt"} << false << "cat @/parlo.txt";
    QTest::newRow("path word with blank") << QStringList{"/c", "type", "c:\\my file.txt"} << false << "type '@/my file.txt'";
    QTest::newRow("folder with blank") << QStringList{"/c", "net", "view", ">c:\\parlo.txt"} << true << "net view >'@/parlo.txt'";
    QTest::newRow("mapped by the launcher") << QStringList{"/c", "net", "view", ">@/parlo.txt"} << true << "net view >'@/parlo.txt'";
    QTest::newRow("whole line, redirect") << QStringList{"/c", "echo x>c:\\y.txt|cat"} << false << "echo x>@/y.txt|cat";
    QTest::newRow("double-quoted path") << QStringList{"/c", "type \"c:\\my file.txt\""} << false << "type '@/my file.txt'";
    QTest::newRow("single quotes kept") << QStringList{"/c", "echo 'a >c:\\x'"} << false << "echo 'a >c:\\x'";
    QTest::newRow("escaped redirect kept") << QStringList{"/c", "echo \\>c:\\x"} << false << "echo \\>c:\\x";
    QTest::newRow("expansion not quoted away") << QStringList{"/c", "echo \"c:\\$HOME\""} << false << "echo \"c:\\$HOME\"";
    QTest::newRow("no arguments") << QStringList{} << false << "usage";
    QTest::newRow("other option") << QStringList{"/k", "dir"} << false << "usage";
    // clang-format on
}

void tst_Cmd::line()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, blankInFolder);
    QFETCH(QString, expected);
    QTemporaryDir temp;
    const QString data = temp.filePath(blankInFolder ? QStringLiteral("my data") : QStringLiteral("data"));
    const FixedPaths paths(data);
    QList<QByteArray> words;
    for (QString &argument : arguments)
        words.append(argument.replace(u'@', data).toUtf8());

    const CmdLine::Request request = CmdLine::parseArguments(words, paths);
    QCOMPARE(request.valid, expected != QStringLiteral("usage"));
    if (request.valid)
        QCOMPARE(QString::fromUtf8(request.line), expected.replace(u'@', data));
}

void tst_Cmd::run_data()
{
    QTest::addColumn<QString>("shellLine"); // run with /bin/sh -c, the built cmd first on PATH
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");
    QTest::addColumn<QByteArray>("file"); // x.txt in the data folder afterwards

    // clang-format off
    QTest::newRow("redirect and append")
        << "cmd /c echo one '>c:\\x.txt' && cmd /c echo two '>>c:\\x.txt'" << 0 << QByteArray() << QByteArray() << QByteArray("one\ntwo\n");
    QTest::newRow("quotes and pipes")
        << "cmd /c \"printf '%s\\n' 'a|b' \\\"c  d\\\" | tr a-z A-Z >c:\\x.txt; echo done\"" << 0
        << QByteArray("done\n") << QByteArray() << QByteArray("A|B\nC  D\n");
    QTest::newRow("status and error output") << "cmd /c 'echo oops >&2; echo out; exit 3'" << 3 << QByteArray("out\n") << QByteArray("oops\n") << QByteArray();
    QTest::newRow("usage") << "cmd /k dir" << 1 << CmdLine::usage() << QByteArray() << QByteArray();
    // clang-format on
}

void tst_Cmd::run()
{
    QFETCH(QString, shellLine);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
    QFETCH(QByteArray, file);
    QTemporaryDir temp;
    const QString data = temp.filePath(QStringLiteral("data folder"));

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PATH"), QStringLiteral(PARLO_TEST_COMPAT_DIR ":/usr/bin:/bin"));
    environment.insert(QStringLiteral("PARLO_DATA_DIR"), data);
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(temp.path());
    process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), shellLine});
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.readAllStandardError(), err);
    QCOMPARE(process.readAllStandardOutput(), out);
    QCOMPARE(process.exitCode(), exitCode);

    QFile result(data + QStringLiteral("/x.txt"));
    QCOMPARE(result.open(QIODevice::ReadOnly) ? result.readAll() : QByteArray(), file);
    QCOMPARE(QDir(temp.path()).entryList(QDir::Files), QStringList()); // nothing landed beside it
}

QTEST_APPLESS_MAIN(tst_Cmd)
#include "tst_cmd.moc"
