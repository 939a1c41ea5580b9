// The real parlo-deliver against a spool folder in a temporary folder.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/statvfs.h>
#include <unistd.h>

namespace {

// Runs a command; its exit code (-1: it did not end by itself), and what it wrote to stderr.
int run(const QStringList &command, QByteArray *errors = nullptr)
{
    QProcess process;
    process.start(command.first(), command.mid(1));
    const bool ended = process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit;
    if (errors)
        *errors = process.readAllStandardError();
    return ended ? process.exitCode() : -1;
}

int deliver(const QStringList &arguments, QByteArray *errors = nullptr)
{
    return run(QStringList{PARLO_TEST_DELIVER} + arguments, errors);
}

// Runs a shell line as user.
int runAs(const QString &user, const QString &line)
{
    return run({"setpriv", "--reuid=" + user, "--regid=" + user, "--init-groups", "/bin/sh", "-c", line});
}

} // namespace

class tst_Deliver : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }
    void storesExactlyOrRefuses();
    void unwritableSpoolKeepsMessage();
    void inputThatCannotGoIsReported();
    void prunesOldMessagesHourly();
    void onlyTheGuestDeliversAndOnlyTheGroupReads();

private:
    QString writeMessage(const QByteArray &text, const QString &name = QStringLiteral("msg.in"))
    {
        QDir(m_dir->path()).mkpath("spool");
        QFile file(m_dir->filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
            return {};
        return file.fileName();
    }
    QString spoolOption() const { return "--spool=" + m_dir->filePath("spool"); }
    // The spool's files, but the time stamp of its last pruning.
    QStringList spooled() const
    {
        return QDir(m_dir->filePath("spool"))
            .entryList(QDir::Files | QDir::Hidden)
            .filter(QRegularExpression("^(?!\\.pruned$)"));
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

// A hostile size is refused and removed too, not left in smbd's folder.
void tst_Deliver::storesExactlyOrRefuses()
{
    // The sender, the text and the from= and to= lines stored, the recipient being B; none: refused.
    const std::tuple<const char *, QByteArray, QByteArray, QByteArray> rows[] = {
        {"line ends and percent", "x\ny%", "\r\n\r\n", "from=x%0Ay%25\nto=B\n"},
        {"bytes beyond ASCII", "M\xc3\x9cLLER", QByteArray("Gr\xc3\xbc\xc3\x9f\x65\xff\0end", 12),
         "from=M\xc3\x9cLLER\nto=B\n"},
        {"32 KiB text", "A", QByteArray(32 * 1024, 'x'), "from=A\nto=B\n"},
        {"a byte more", "A", QByteArray(32 * 1024 + 1, 'x'), {}},
        {"long name", QByteArray(257, 'N'), "hi", {}},
    };
    for (const auto &[name, sender, text, header] : rows) {
        init();
        const QString input = writeMessage(text);
        const int code = deliver({spoolOption(), QString::fromLocal8Bit(sender), "B", input});
        QVERIFY2(code == (header.isEmpty() ? 1 : 0), name);
        QVERIFY2(!QFile::exists(input), name);
        const QStringList names = spooled();
        QVERIFY2(names.size() == (header.isEmpty() ? 0 : 1), name);
        if (header.isEmpty())
            continue;
        QVERIFY2(QRegularExpression("^\\d{20}-\\d+\\.msg$").match(names[0]).hasMatch(), qPrintable(names[0]));
        QFile stored(QDir(m_dir->filePath("spool")).filePath(names[0]));
        QVERIFY(stored.open(QIODevice::ReadOnly));
        const QByteArray content = stored.readAll();
        QVERIFY2(content.startsWith(header + "time=20") && content.endsWith("Z\n\n" + text), name);
        QCOMPARE(stored.permissions() & 0x0fff, QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup); // 0640
    }
}

// A spool that cannot be written (here: missing) keeps smbd's file, and says why.
void tst_Deliver::unwritableSpoolKeepsMessage()
{
    const QString input = writeMessage("keep me");
    QByteArray errors;
    QCOMPARE(deliver({"--spool=" + m_dir->filePath("missing"), "A", "B", input}, &errors), 1);
    QVERIFY2(errors.contains("cannot create"), errors.constData());
    QVERIFY(QFile::exists(input));
}

// Stored, but smbd's file cannot be removed (a read-only folder; as root, a read-only mount of the
// program's own): that is a failure, not a success.
void tst_Deliver::inputThatCannotGoIsReported()
{
    QDir(m_dir->path()).mkpath("spool");
    const QString in = m_dir->filePath("in");
    QVERIFY(QDir().mkdir(in));
    QProcess deliver;
    if (geteuid() == 0) {
        deliver.start("unshare", {"--mount", "/bin/sh", "-c",
                                  "mount -t tmpfs tmpfs \"$1\" && printf x > \"$1/m\" && mount -o remount,ro \"$1\" && "
                                  "exec \"$2\" --spool=\"$3\" A B \"$1/m\"",
                                  "sh", in, PARLO_TEST_DELIVER, m_dir->filePath("spool")});
    } else {
        const QString input = writeMessage("x", "in/m");
        QVERIFY(QFile::setPermissions(in, QFile::ReadOwner | QFile::ExeOwner));
        deliver.start(PARLO_TEST_DELIVER, {"--spool=" + m_dir->filePath("spool"), "A", "B", input});
    }
    QVERIFY(deliver.waitForFinished(5000));
    QFile::setPermissions(in, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(deliver.exitCode(), 1);
    QVERIFY(deliver.readAllStandardError().contains("cannot remove"));
    QCOMPARE(spooled().size(), 1);
}

// Messages older than 30 days go, and a hidden file a delivery left a day ago; at most once an
// hour, so a second delivery leaves an old message alone.
void tst_Deliver::prunesOldMessagesHourly()
{
    const qint64 day = 24LL * 3600 * 1000 * 1000 * 1000, now = QDateTime::currentMSecsSinceEpoch() * 1000000;
    const auto stamped = [](qint64 ns) { return QString("%1-7.msg").arg(ns, 20, 10, QChar('0')); };
    const QStringList kept = {stamped(now - 29 * day), "." + stamped(now - day / 2) + ".tmp", "other"};
    for (const QString &name : kept + QStringList{stamped(now - 31 * day), "." + stamped(now - 2 * day) + ".tmp"})
        writeMessage("x", "spool/" + name);
    QCOMPARE(deliver({spoolOption(), "A", "B", writeMessage("new")}), 0);
    const QStringList left = spooled().filter(QRegularExpression("^other$|-7\\.msg")); // not the new message
    QCOMPARE(QSet(left.cbegin(), left.cend()), QSet(kept.cbegin(), kept.cend()));
    writeMessage("x", "spool/" + stamped(now - 40 * day));
    QCOMPARE(deliver({spoolOption(), "A", "B", writeMessage("new")}), 0);
    QVERIFY(spooled().contains(stamped(now - 40 * day)));
}

// The installed arrangement, with users of the test's own: the program belongs to the deliverer,
// is set-user-ID and executable only by the group of Samba's guest; the spool is the
// deliverer's and readable by its group, the receiving users. No one else can store, read,
// change or remove a message.
void tst_Deliver::onlyTheGuestDeliversAndOnlyTheGroupReads()
{
    if (geteuid() != 0)
        QSKIP("making users needs root");
    QTemporaryDir base(QDir::currentPath() + "/deliver-XXXXXX"); // /tmp may be mounted nosuid
    struct statvfs mount = {};
    if (statvfs(QFile::encodeName(base.path()).constData(), &mount) != 0 || (mount.f_flag & ST_NOSUID))
        QSKIP("the build folder is mounted nosuid");
    const QStringList users = {"parlot-dlv", "parlot-guest", "parlot-other", "parlot-recv"};
    auto removeUsers = qScopeGuard([&] {
        for (auto user = users.crbegin(); user != users.crend(); ++user)
            run({"userdel", *user}) == 0 && run({"groupdel", *user});
    });
    for (const QString &user : users)
        QCOMPARE(run({"useradd", "--system", "--user-group", "--no-create-home", "--shell", "/usr/sbin/nologin", user}),
                 0);
    QCOMPARE(run({"usermod", "-a", "-G", "parlot-dlv", "parlot-recv"}), 0);

    const QString program = base.filePath("parlo-deliver"), spool = base.filePath("spool");
    QVERIFY(QFile::setPermissions(base.path(), QFileDevice::Permissions(0x7755)));
    QVERIFY(QFile::copy(PARLO_TEST_DELIVER, program) && QDir(base.path()).mkdir("spool"));
    QVERIFY(run({"chown", "parlot-dlv:parlot-guest", program}) == 0 && run({"chmod", "4750", program}) == 0);
    QVERIFY(run({"chown", "parlot-dlv:parlot-dlv", spool}) == 0 && run({"chmod", "2750", spool}) == 0);
    QVERIFY(QDir(base.path()).mkdir("in") && run({"chmod", "1777", base.filePath("in")}) == 0);
    const auto deliverAs = [&](const QString &user) { // as smbd's, a file of the user's
        const QString input = base.filePath("in/" + user);
        return runAs(user,
                     QString("echo 'from %1' >'%2' && '%3' --spool='%4' S R '%2'").arg(user, input, program, spool));
    };
    QVERIFY(deliverAs("parlot-recv") != 0);
    QCOMPARE(deliverAs("parlot-guest"), 0);
    const QStringList stored = QDir(spool).entryList(QDir::Files);
    QCOMPARE(stored.size(), 1);
    const QFileInfo info(QDir(spool).filePath(stored.first()));
    QCOMPARE(info.owner() + ':' + info.group(), QString("parlot-dlv:parlot-dlv"));
    const QString quoted = "'" + info.filePath() + "'";
    QCOMPARE(runAs("parlot-recv", "grep -q 'from parlot-guest' " + quoted), 0);
    for (const QString &user : QStringList{"parlot-recv", "parlot-other", "parlot-guest"}) {
        QVERIFY2(runAs(user, "rm -f " + quoted + " || :; echo x >>" + quoted) != 0, qPrintable(user));
        QVERIFY2(runAs(user, "echo x >'" + spool + "/00000000000000000001-1.msg'") != 0, qPrintable(user));
    }
    QVERIFY(runAs("parlot-other", "cat " + quoted) != 0);
    QCOMPARE(QDir(spool).entryList(QDir::Files), stored);
}

QTEST_GUILESS_MAIN(tst_Deliver)
#include "tst_deliver.moc"
