#include "SambaReceiver.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <pwd.h>
#include <signal.h>
#include <unistd.h>

namespace {

QString findDaemon(const QString &name)
{
    QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        path = QStandardPaths::findExecutable(name, {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin")});
    return path;
}

QString userName()
{
    const passwd *entry = getpwuid(geteuid());
    return entry ? QString::fromLocal8Bit(entry->pw_name) : QStringLiteral("root");
}

bool writeFile(const QString &path, const QByteArray &content, QFileDevice::Permissions permissions = {})
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return false;
    file.close();
    return !permissions || file.setPermissions(permissions);
}

} // namespace

SambaReceiver::SambaReceiver(const QString &address, bool acceptMessages)
    : SambaReceiver(Options{address, 8, acceptMessages, QStringLiteral("PARLOTEST"), {}, false})
{
}

SambaReceiver::SambaReceiver(const Options &options) : m_options(options)
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return;
    }
    const QDir dir(m_dir.path());
    for (const char *sub : {"lock", "state", "cache", "private", "pid", "ncalrpc", "binddns", "inbox"})
        dir.mkpath(QString::fromLatin1(sub));

    // smbd calls the hook with the file holding the text (%s) and the sender's name (%f); the
    // hook must remove the file. The text appears under its final name only when complete.
    const QString inbox = dir.filePath(QStringLiteral("inbox"));
    const QString hook = dir.filePath(QStringLiteral("hook.sh"));
    const QByteArray script = "#!/bin/sh\n"
                              "n=$(date +%s%N)\n"
                              "printf '%s' \"$2\" > '" +
                              inbox.toLocal8Bit() + "'/$n.from\n" + "cat \"$1\" > '" + inbox.toLocal8Bit() +
                              "'/$n.part && mv '" + inbox.toLocal8Bit() + "'/$n.part '" + inbox.toLocal8Bit() +
                              "'/$n.msg\n"
                              "rm -f \"$1\"\n";
    if (!writeFile(hook, script, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)) {
        m_error = QStringLiteral("cannot write %1").arg(hook);
        return;
    }

    QString conf = QStringLiteral("[global]\n"
                                  "netbios name = %1\n"
                                  "workgroup = PARLO\n"
                                  "server role = standalone server\n"
                                  "interfaces = %2/%3\n"
                                  "bind interfaces only = yes\n"
                                  "smb ports = 139\n"
                                  "server min protocol = NT1\n"
                                  "dos charset = CP850\n"
                                  "unix charset = UTF-8\n"
                                  "guest account = %4\n"
                                  "load printers = no\n"
                                  "printcap name = /dev/null\n"
                                  "disable spoolss = yes\n"
                                  "local master = no\n"
                                  "domain master = no\n"
                                  "preferred master = no\n")
                       .arg(m_options.netbiosName, m_options.address)
                       .arg(m_options.prefixLength)
                       .arg(userName());
    for (const char *sub : {"lock directory", "state directory", "cache directory", "private dir", "pid directory",
                            "ncalrpc dir", "binddns dir"}) {
        const QString folder = QString::fromLatin1(sub).section(QLatin1Char(' '), 0, 0);
        conf += QStringLiteral("%1 = %2\n").arg(QString::fromLatin1(sub), dir.filePath(folder));
    }
    conf += QStringLiteral("log file = %1\n").arg(dir.filePath(QStringLiteral("log.%m")));
    if (m_options.acceptMessages)
        conf += QStringLiteral("message command = '%1' '%s' '%f'\n").arg(hook);
    if (!writeFile(dir.filePath(QStringLiteral("smb.conf")), conf.toUtf8())) {
        m_error = QStringLiteral("cannot write smb.conf");
        return;
    }

    if (m_options.nameService)
        m_nmbd.reset(start(QStringLiteral("nmbd"), QStringLiteral("nmbd.out")));
    m_smbd.reset(start(QStringLiteral("smbd"), QStringLiteral("smbd.out")));
    if (!m_error.isEmpty())
        return;
    if (!waitForListening(m_smbd->processId(), 10000))
        m_error = QStringLiteral("smbd does not listen on %1:139 after 10 s\n%2").arg(m_options.address, log());
}

SambaReceiver::~SambaReceiver()
{
    stop(m_smbd.get());
    stop(m_nmbd.get());
}

bool SambaReceiver::available()
{
    return !findDaemon(QStringLiteral("smbd")).isEmpty();
}

QProcess *SambaReceiver::start(const QString &daemon, const QString &logName)
{
    auto *process = new QProcess;
    const QString path = findDaemon(daemon);
    if (path.isEmpty()) {
        m_error = QStringLiteral("%1 is not installed").arg(daemon);
        return process;
    }
    // -F keeps it in the foreground; it makes itself the leader of a new process group, which
    // the destructor stops as a whole. Never --no-process-group: smbd would then signal the
    // group of the test itself on the way out.
    const QStringList arguments = {QStringLiteral("-F"), QStringLiteral("--debug-stdout"), QStringLiteral("-s"),
                                   QDir(m_dir.path()).filePath(QStringLiteral("smb.conf"))};
    if (m_options.networkNamespace.isEmpty()) {
        process->setProgram(path);
        process->setArguments(arguments);
    } else {
        process->setProgram(QStringLiteral("ip"));
        process->setArguments(
            QStringList{QStringLiteral("netns"), QStringLiteral("exec"), m_options.networkNamespace, path} + arguments);
    }
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QDir(m_dir.path()).filePath(logName));
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->start();
    if (!process->waitForStarted(5000))
        m_error = QStringLiteral("cannot start %1: %2").arg(daemon, process->errorString());
    return process;
}

bool SambaReceiver::waitForListening(qint64 pid, int timeoutMs) const
{
    // The process's own view of TCP, so that this works inside a network namespace too:
    // a socket on port 139 (0x008B) in state LISTEN (0A).
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired() && m_smbd->state() == QProcess::Running) {
        QFile table(QStringLiteral("/proc/%1/net/tcp").arg(pid));
        if (table.open(QIODevice::ReadOnly)) {
            const QList<QByteArray> lines = table.readAll().split('\n');
            for (const QByteArray &line : lines) {
                const QList<QByteArray> fields = line.simplified().split(' ');
                if (fields.size() > 3 && fields[1].endsWith(":008B") && fields[3] == "0A")
                    return true;
            }
        }
        QThread::msleep(50);
    }
    return false;
}

void SambaReceiver::stop(QProcess *process)
{
    if (!process || process->state() == QProcess::NotRunning)
        return;
    const pid_t pid = pid_t(process->processId());
    // Signal the group only when the daemon leads one of its own, never the test's.
    const bool leader = getpgid(pid) == pid && pid != getpgrp();
    auto signalAll = [&](int signal) { leader ? ::kill(-pid, signal) : ::kill(pid, signal); };
    signalAll(SIGTERM);
    if (!process->waitForFinished(5000)) {
        signalAll(SIGKILL);
        process->waitForFinished(2000);
    } else if (leader) {
        ::kill(-pid, SIGKILL); // children that outlived their parent
    }
}

QList<SambaReceiver::Message> SambaReceiver::messages() const
{
    const QDir inbox(QDir(m_dir.path()).filePath(QStringLiteral("inbox")));
    QList<Message> result;
    const QStringList names = inbox.entryList({QStringLiteral("*.msg")}, QDir::Files, QDir::Name);
    for (const QString &name : names) {
        QFile text(inbox.filePath(name));
        QFile sender(inbox.filePath(QString(name).replace(QLatin1String(".msg"), QLatin1String(".from"))));
        if (!text.open(QIODevice::ReadOnly))
            continue;
        result.append({QString::fromUtf8(text.readAll()),
                       sender.open(QIODevice::ReadOnly) ? QString::fromUtf8(sender.readAll()) : QString()});
    }
    return result;
}

QString SambaReceiver::log() const
{
    QString text;
    for (const char *name : {"smbd.out", "nmbd.out"}) {
        QFile file(QDir(m_dir.path()).filePath(QString::fromLatin1(name)));
        if (file.open(QIODevice::ReadOnly))
            text += QString::fromUtf8(file.readAll());
    }
    return text;
}
