// parlo-receive-setup as root on a copy of smb.conf, a spool and a deliver program in a temporary
// folder, without restarting anything. It makes the system user parlo when it is missing.
#include <QDir>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QString outputOf(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput().trimmed());
}

// A folder with smb.conf (%1 in it: the folder) and the deliver program in "p d", a name with a blank.
struct Folder
{
    QTemporaryDir dir;
    explicit Folder(const QByteArray &conf = "[global]\n", bool daemon = false)
    {
        QDir(dir.path()).mkpath(QStringLiteral("p d"));
        write("p d/deliver", "#!/bin/sh\n");
        write("smb.conf", QByteArray(conf).replace("%1", QFile::encodeName(dir.path())), daemon, 0640);
    }
    QString path(const QString &name) const { return dir.filePath(name); }
    QStringList entries() const { return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot); }
    QString stat(const QString &name) const { return outputOf("stat", {"-c", "%U:%G %a", path(name)}); }
    QByteArray content(const QString &name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }
    // Owner 1 and group 2 are daemon and bin on Debian.
    void write(const QString &name, const QByteArray &content, bool daemon = false, mode_t mode = 0644) const
    {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        QVERIFY(::chown(qPrintable(file.fileName()), daemon, daemon ? 2 : 0) == 0);
        QVERIFY(::chmod(qPrintable(file.fileName()), mode) == 0);
    }
    // The exit code (-1: none) and the output; extra's %1 is the folder.
    std::pair<int, QString> run(QStringList extra, const QString &sudoUser = {}) const
    {
        QProcess setup;
        setup.setProcessChannelMode(QProcess::MergedChannels);
        setup.start("env", QStringList{"SUDO_USER=" + sudoUser, "/bin/sh", PARLO_TEST_SETUP, "--no-restart", "--config",
                                       path("smb.conf"), "--include", path("parlo.conf"), "--deliver",
                                       path("p d/deliver"), "--spool", path("spool")} +
                               extra.replaceInStrings("%1", dir.path()));
        return {setup.waitForFinished(30000) ? setup.exitCode() : -1, QString::fromUtf8(setup.readAll())};
    }
};

} // namespace

class tst_ReceiveSetup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        if (::geteuid() != 0)
            QSKIP("parlo-receive-setup changes owners and accounts: run the test as root");
    }

    void setUpAndUndo_data()
    {
        QTest::addColumn<QByteArray>("original");
        QTest::addColumn<bool>("link"); // smb.conf links to real.conf
        QTest::addColumn<QByteArray>("added");
        QTest::addColumn<QString>("shares");
        const auto row = [](const char *name, const QByteArray &original, bool link, const QByteArray &before,
                            const QByteArray &end, const QString &shares) {
            QTest::newRow(name) << original << link << before + "include = %1/parlo.conf" + end << shares;
        };
        const QByteArray usual = "[global]\n  workgroup = W\n\n[homes]\n\tpath = /srv # x\n[ print$ ]\n";
        row("usual, linked", usual, true, "", "\n", "Its shares: homes, print$.");
        row("no last line end", "[global]", false, "\n", "\n", "It has no shares now.");
        row("CRLF", "[global]\r\n[d]\r\np = /d", false, "\r\n", "\r\n", "Its shares: d.");
        row("empty", "", false, "", "\n", "It has no shares now.");
    }

    // Owner, group and mode stay, and a link stays a link.
    void setUpAndUndo()
    {
        QFETCH(QByteArray, original);
        QFETCH(bool, link);
        QFETCH(QByteArray, added);
        QFETCH(QString, shares);
        const Folder folder(original, true);
        const QString conf = link ? "real.conf" : "smb.conf";
        if (link)
            QVERIFY(QFile::rename(folder.path("smb.conf"), folder.path(conf)) &&
                    QFile::link(conf, folder.path("smb.conf")));
        const QStringList before = folder.entries();

        const auto [code, output] = folder.run({});
        QVERIFY2(code == 0 && output.contains(shares), qPrintable(output));
        const QByteArray path = QFile::encodeName(folder.dir.path()), expected = original + added.replace("%1", path);
        QByteArray include = "[global]\nserver min protocol = NT1\nmessage command = '%1/p d/deliver' '--spool=%1/";
        QVERIFY(folder.content("parlo.conf").endsWith(include.replace("%1", path) + "spool' '%m' '%L' '%s'\n"));
        QVERIFY(folder.run({}).second.contains("Nothing to change"));
        for (const QByteArray &content : {expected, original}) { // set up, then undone
            QCOMPARE(folder.content(conf), content);
            QCOMPARE(folder.stat(conf), QStringLiteral("daemon:bin 640"));
            QCOMPARE(QFileInfo(folder.path("smb.conf")).isSymLink(), link);
            if (content == expected)
                QVERIFY(folder.run({"--undo"}).second.contains("Restored"));
        }
        QCOMPARE(folder.entries(), before + QStringList{"spool"});
        QVERIFY(folder.run({"--undo"}).second.contains("Nothing to change"));
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("conf"); // the folder also has more.conf, open/deliver and link -> open
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<QString>("refusal"); // empty: none
        QTest::addColumn<bool>("forceable");
        const auto row = [](const char *name, const QByteArray &conf, const QStringList &extra, const QString &refusal,
                            bool forceable = false) {
            QTest::newRow(name) << (conf.startsWith('[') ? conf : "[global]\n" + conf) << extra << refusal << forceable;
        };
        row("name as Samba compares it", "  Message  Command = x", {}, "smb.conf:2: Message  Command = x", true);
        row("SMB2 by synonym", "min protocol = SMB2\n", {}, "smb.conf:2: min protocol = SMB2", true);
        row("included", "include = %1/more.conf\n", {}, "more.conf:3: server min protocol = SMB3", true);
        row("after Parlo's", "include = %1/parlo.conf\nmessage command = y", {}, "smb.conf:3: message command = y");
        row("lanman2 in [globals]", "[globals]\nmin protocol = lanman2\n", {}, {});
        row("Parlo's command", "message command = '%1/p d/deliver' '--spool=%1/spool' '%m' '%L' '%s'", {}, {});
        row("in a share, which Samba ignores", "[global]\n[x]\nmessage command = y\n", {}, {});
        row("include not writable", "", {"--include", "%1/none/parlo.conf"}, "cannot write");
        row("quote in the program's path", "", {"--deliver", "%1/it's/deliver"}, "single quote");
        row("program in a folder others write", "", {"--deliver", "%1/open/deliver"}, "no one else may write");
        row("spool is a link", "", {"--spool", "%1/link"}, "is not a folder");
    }

    void refused()
    {
        QFETCH(QByteArray, conf);
        QFETCH(QStringList, extra);
        QFETCH(QString, refusal);
        QFETCH(bool, forceable);
        const Folder folder(conf);
        folder.write("more.conf", "\n[global]\nserver min protocol = SMB3\n");
        QVERIFY(QDir(folder.dir.path()).mkdir("open") && QFile::link("open", folder.path("link")));
        folder.write("open/deliver", "#!/bin/sh\n");
        ::chmod(qPrintable(folder.path("open")), 0777);
        const QByteArray original = folder.content("smb.conf");
        const QStringList before = folder.entries();

        auto [code, output] = folder.run(extra);
        QVERIFY2(refusal.isEmpty() ? code == 0 : code == 1 && output.contains(refusal), qPrintable(output));
        if (refusal.isEmpty())
            return;
        QVERIFY2(output.contains("nothing was changed") && !output.contains("Wrote"), qPrintable(output));
        QCOMPARE(folder.content("smb.conf"), original);
        QCOMPARE(folder.entries(), before);
        QCOMPARE(folder.stat("open/deliver"), QStringLiteral("root:root 644"));
        std::tie(code, output) = folder.run(extra + QStringList{"--force"});
        QVERIFY2(code == (forceable ? 0 : 1) && output.contains(refusal + (forceable ? " is replaced" : "")),
                 qPrintable(output));
        QCOMPARE(folder.content("smb.conf") != original, forceable);
    }

    // An editor added a share and saved the whole file with CRLF line ends: only the include line goes.
    void undoAfterAnEditInCrlf()
    {
        const Folder folder("[global]\nworkgroup = W\n");
        QCOMPARE(folder.run({}).first, 0);
        folder.write("smb.conf", QByteArray(folder.content("smb.conf") + "[extra]\n").replace("\n", "\r\n"), true,
                     0604);
        QVERIFY(folder.run({"--undo"}).second.contains("Removed \"include"));
        QCOMPARE(folder.content("smb.conf"), QByteArray("[global]\r\nworkgroup = W\r\n[extra]\r\n"));
        QCOMPARE(folder.stat("smb.conf"), QStringLiteral("daemon:bin 604"));
        QCOMPARE(folder.entries(), QStringList({"p d", "smb.conf", "spool"}));
    }

    // An old spool open to everyone, with a link someone planted in it; Samba's guest account from smb.conf.
    void spoolAndDeliver()
    {
        const Folder folder("[global]\nguest account = daemon\n");
        QVERIFY(QDir().mkdir(folder.path("spool")) && ::chmod(qPrintable(folder.path("spool")), 0777) == 0);
        folder.write("spool/a.msg", "from=x\n\nhi");
        folder.write("secret", "s", false, 0600);
        QVERIFY(QFile::link(folder.path("secret"), folder.path("spool/b.msg")));
        const char *guest = QStandardPaths::findExecutable("testparm").isEmpty() ? "nobody" : "daemon";
        const QString deliver = "parlo:" + outputOf("id", {"-gn", guest}) + " 4750";

        const auto [code, output] = folder.run({});
        QVERIFY2(code == 0 && output.contains("Left " + folder.path("spool/b.msg")), qPrintable(output));
        for (int undone = 0; undone < 2; ++undone) { // undo leaves them
            QCOMPARE(folder.stat("spool"), QStringLiteral("parlo:parlo 2750"));
            QCOMPARE(folder.stat("spool/a.msg"), QStringLiteral("parlo:parlo 640"));
            QCOMPARE(folder.stat("secret"), QStringLiteral("root:root 600"));
            QCOMPARE(folder.stat("p d/deliver"), deliver);
            if (!undone)
                QCOMPARE(folder.run({"--undo"}).first, 0);
        }
    }

    // Named by --user, then by SUDO_USER: a throwaway user each time.
    void addsUser()
    {
        for (const bool bySudo : {false, true}) {
            const QString name = QStringLiteral("parlotst%1").arg(::getpid());
            QCOMPARE(QProcess::execute("useradd", {"--no-create-home", name}), 0);
            const auto removeUser = qScopeGuard([&] { QProcess::execute("userdel", {name}); });
            const Folder folder;
            const auto run = [&] { return bySudo ? folder.run({}, name) : folder.run({"--user", name}); };
            QVERIFY(run().second.contains("Added " + name + " to group parlo: " + name + " may read the messages"));
            QVERIFY(run().second.contains(name + " is in group parlo")); // as the group file has it now
        }
    }
};

QTEST_GUILESS_MAIN(tst_ReceiveSetup)
#include "tst_receivesetup.moc"
