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

    // Through a link to a smb.conf with what must not be refused, an old spool open to everyone
    // with a link someone planted in it, and a throwaway user named by SUDO_USER; then undone.
    // Owner, group and mode stay, a link stays a link, and the accounts, spool and program stay.
    void setUpAndUndo()
    {
        const QByteArray original = "[globals]\n  min protocol = lanman2\nguest account = daemon\n\n[homes]\n"
                                    "\tpath = /srv # x\nmessage command = y\n[ print$ ]"; // no last line end
        const Folder folder(original, true);
        QVERIFY(QFile::rename(folder.path("smb.conf"), folder.path("real.conf")) &&
                QFile::link("real.conf", folder.path("smb.conf")));
        QVERIFY(QDir().mkdir(folder.path("spool")) && ::chmod(qPrintable(folder.path("spool")), 0777) == 0);
        folder.write("spool/a.msg", "from=x\n\nhi");
        folder.write("secret", "s", false, 0600);
        QVERIFY(QFile::link(folder.path("secret"), folder.path("spool/b.msg")));
        const QStringList before = folder.entries();
        const QString user = QStringLiteral("parlotst%1").arg(::getpid());
        QCOMPARE(QProcess::execute("useradd", {"--no-create-home", user}), 0);
        const auto removeUser = qScopeGuard([&] { QProcess::execute("userdel", {user}); });
        const char *guest = QStandardPaths::findExecutable("testparm").isEmpty() ? "nobody" : "daemon";
        const QString deliver = "parlo:" + outputOf("id", {"-gn", guest}) + " 4750";

        const auto [code, output] = folder.run({}, user);
        QVERIFY2(code == 0 && output.contains("Its shares: homes, print$."), qPrintable(output));
        QVERIFY2(output.contains("Left " + folder.path("spool/b.msg")), qPrintable(output));
        QVERIFY2(output.contains("Added " + user + " to group parlo"), qPrintable(output));
        const QByteArray path = QFile::encodeName(folder.dir.path());
        QByteArray include = "[global]\nserver min protocol = NT1\nmessage command = '%1/p d/deliver' '--spool=%1/";
        QVERIFY(folder.content("parlo.conf").endsWith(include.replace("%1", path) + "spool' '%m' '%L' '%s'\n"));
        const QString again = folder.run({}, user).second;
        QVERIFY2(again.contains(user + " is in group parlo") && again.contains("Nothing to change"), qPrintable(again));
        const QByteArray added = original + "\ninclude = " + path + "/parlo.conf\n";
        for (const QByteArray &content : {added, original}) { // set up, then undone
            QCOMPARE(folder.content("real.conf"), content);
            QCOMPARE(folder.stat("real.conf"), QStringLiteral("daemon:bin 640"));
            QVERIFY(QFileInfo(folder.path("smb.conf")).isSymLink());
            QCOMPARE(folder.stat("spool"), QStringLiteral("parlo:parlo 2750"));
            QCOMPARE(folder.stat("spool/a.msg"), QStringLiteral("parlo:parlo 640"));
            QCOMPARE(folder.stat("secret"), QStringLiteral("root:root 600"));
            QCOMPARE(folder.stat("p d/deliver"), deliver);
            if (content == added)
                QVERIFY(folder.run({"--undo"}).second.contains("Restored"));
        }
        QCOMPARE(folder.entries(), before);
        QVERIFY(folder.run({"--undo"}).second.contains("Nothing to change"));
    }

    // One row for each way of refusing. Refused, nothing changes; only a setting Parlo's include
    // replaces gives way to --force.
    void refused()
    {
        // The smb.conf, which also has more.conf, open/deliver and link -> open beside it; the options;
        // a part of the refusal; whether --force makes it go.
        // clang-format off
        const std::tuple<const char *, QByteArray, QStringList, QString, bool> rows[] = {
            {"an included setting as Samba names it", "include = %1/more.conf\n", {},
             "more.conf:3: Min  Protocol = SMB3", true},
            {"after Parlo's", "include = %1/parlo.conf\nmessage command = y", {},
             "smb.conf:3: message command = y", false},
            {"include not writable", "", {"--include", "%1/none/parlo.conf"}, "cannot write", false},
            {"quote in the program's path", "", {"--deliver", "%1/it's/deliver"}, "single quote", false},
            {"program in a folder others write", "", {"--deliver", "%1/open/deliver"}, "no one else may write", false},
            {"spool is a link", "", {"--spool", "%1/link"}, "is not a folder", false},
        };
        // clang-format on
        for (const auto &[name, conf, extra, refusal, forceable] : rows) {
            const Folder folder("[global]\n" + conf);
            folder.write("more.conf", "\n[global]\n  Min  Protocol = SMB3\n");
            QVERIFY(QDir(folder.dir.path()).mkdir("open") && QFile::link("open", folder.path("link")));
            folder.write("open/deliver", "#!/bin/sh\n");
            ::chmod(qPrintable(folder.path("open")), 0777);
            const QByteArray original = folder.content("smb.conf");
            const QStringList before = folder.entries();

            auto [code, output] = folder.run(extra);
            QVERIFY2(code == 1 && output.contains(refusal) && output.contains("nothing was changed"),
                     qPrintable(name + (": " + output)));
            QCOMPARE(folder.content("smb.conf"), original);
            QCOMPARE(folder.entries(), before);
            QCOMPARE(folder.stat("open/deliver"), QStringLiteral("root:root 644"));
            std::tie(code, output) = folder.run(extra + QStringList{"--force"});
            QVERIFY2(code == (forceable ? 0 : 1) && output.contains(refusal), qPrintable(name));
            QVERIFY2((folder.content("smb.conf") != original) == forceable, name);
        }
    }
};

QTEST_GUILESS_MAIN(tst_ReceiveSetup)
#include "tst_receivesetup.moc"
