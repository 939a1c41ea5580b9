// Help from the programs that open windows, and from the console programs, where there is no
// display at all (as over ssh): nothing may need a window system to print it.
#include <QProcess>
#include <QTest>

namespace {

struct Run
{
    int exitCode = -1; // also when it crashed or did not end in 20 s
    QString output, errors;
};

// Runs the program with only PATH, HOME and XDG_RUNTIME_DIR of the test's environment, and the
// platform plug-in, when given.
Run run(const QString &program, const QStringList &arguments, const QString &platform = {})
{
    const QProcessEnvironment own = QProcessEnvironment::systemEnvironment();
    QProcessEnvironment bare;
    for (const char *name : {"PATH", "HOME", "XDG_RUNTIME_DIR"}) {
        if (own.contains(QLatin1String(name)))
            bare.insert(QLatin1String(name), own.value(QLatin1String(name)));
    }
    if (!platform.isEmpty())
        bare.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    QProcess process;
    process.setProcessEnvironment(bare);
    process.start(program, arguments);
    Run result;
    if (process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    process.kill();
    process.waitForFinished(5000);
    result.output = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.errors = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

} // namespace

class tst_NoDisplay : public QObject
{
    Q_OBJECT
private slots:
    void help();
};

void tst_NoDisplay::help()
{
    const QString compat = QStringLiteral(PARLO_TEST_COMPAT_DIR "/");
    struct Row
    {
        const char *name;
        QString program;
        QStringList arguments;
        QStringList shows; // words the help must hold
    };
    const Row rows[] = {
        {"parlo --help",
         QStringLiteral(PARLO_PROGRAM),
         {"--help"},
         {"--background", "--history", "--screenshot <FILE>"}},
        {"parlo -h", QStringLiteral(PARLO_PROGRAM), {"-h"}, {"--background"}},
        {"parlo --version", QStringLiteral(PARLO_PROGRAM), {"--version"}, {"parlo "}},
        {"notepad.exe /?", compat + "notepad.exe", {"/?"}, {"NOTEPAD.EXE [file]"}},
        {"notepad.exe --help", compat + "notepad.exe", {"--help"}, {"NOTEPAD.EXE [file]"}},
        {"ping --help", compat + "ping", {"--help"}, {"Usage: ping", "-w timeout"}},
        {"tracert --help", compat + "tracert", {"--help"}, {"Usage: tracert", "-h maximum_hops"}},
        {"arp --help", compat + "arp", {"--help"}, {"ARP -d inet_addr"}},
    };
    for (const Row &row : rows) {
        const Run bare = run(row.program, row.arguments);
        QVERIFY2(bare.exitCode == 0 && bare.errors.isEmpty(), qPrintable(row.name + (": " + bare.errors)));
        for (const QString &word : row.shows)
            QVERIFY2(bare.output.contains(word), qPrintable(row.name + (": " + bare.output)));
        QVERIFY2(!bare.output.contains(u"Bad option"), row.name);
        // The same help where there is a display.
        const Run shown = run(row.program, row.arguments, QStringLiteral("offscreen"));
        QVERIFY2(shown.exitCode == 0 && shown.output == bare.output, qPrintable(row.name + (": " + shown.output)));
    }
}

QTEST_GUILESS_MAIN(tst_NoDisplay)
#include "tst_nodisplay.moc"
