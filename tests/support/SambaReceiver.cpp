#include "SambaReceiver.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QStandardPaths>
#include <QThread>
#include <QtEndian>

#include <pwd.h>
#include <signal.h>
#include <unistd.h>

namespace {

QString findDaemon(const QString &name)
{
    return QStandardPaths::findExecutable(name, qEnvironmentVariable("PATH").split(u':') << "/usr/sbin");
}

// Whether the process's network namespace has a socket on address:139 in state LISTEN (0A).
bool listensOn139(qint64 pid, const QString &address)
{
    const quint32 ip = qToBigEndian(QHostAddress(address).toIPv4Address()); // as the kernel prints it
    QFile table(QStringLiteral("/proc/%1/net/tcp").arg(pid));
    return table.open(QIODevice::ReadOnly) &&
           table.readAll().contains(": " + QByteArray::number(ip, 16).toUpper().rightJustified(8, '0') +
                                    ":008B 00000000:0000 0A ");
}

void stop(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    const pid_t pid = pid_t(process.processId());
    const pid_t target = getpgid(pid) == pid && pid != getpgrp() ? -pid : pid; // never the test's own group
    ::kill(target, SIGTERM);
    if (!process.waitForFinished(5000) || target < 0)
        ::kill(target, SIGKILL); // also the children that outlived their parent
    process.waitForFinished(2000);
}

} // namespace

SambaReceiver::SambaReceiver(const QString &address, bool acceptMessages, const QString &networkNamespace,
                             const QString &messageCommand, const QString &guestAccount)
    : m_address(address)
{
    const QDir dir(m_dir.path());
    QString conf =
        QStringLiteral("[global]\nnetbios name = PARLOTEST\ninterfaces = %1/24\nbind interfaces only = yes\n"
                       "smb ports = 139\nserver min protocol = NT1\nload printers = no\nlocal master = no\n"
                       "guest account = %2\nlog file = %3/log\nlock directory = %3\nstate directory = %3\n"
                       "cache directory = %3\npid directory = %3\nprivate dir = %3\nncalrpc dir = %3\n"
                       "binddns dir = %3\n")
            .arg(address, guestAccount.isEmpty() ? QString::fromLocal8Bit(getpwuid(geteuid())->pw_name) : guestAccount,
                 dir.path());
    // smbd runs the hook with the file that holds the text, which the hook must remove, and
    // answers the end of the message only when the hook has finished.
    if (acceptMessages && !messageCommand.isEmpty())
        conf += QStringLiteral("message command = %1\n").arg(messageCommand);
    else if (acceptMessages)
        conf += QStringLiteral("message command = /bin/sh '%1' '%s'\n").arg(dir.filePath(QStringLiteral("hook")));
    const QByteArray hook = "mv \"$1\" '" + dir.path().toLocal8Bit() + "'/$(date +%s%N).msg\n";
    for (const auto &[name, content] : {std::pair{"hook", hook}, std::pair{"smb.conf", conf.toUtf8()}}) {
        QFile file(dir.filePath(QLatin1String(name)));
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            m_error = QStringLiteral("cannot write %1").arg(file.fileName());
    }
    // -F keeps a daemon in the foreground, as the leader of a new process group that the
    // destructor stops as a whole. Never --no-process-group: smbd would then signal the test's.
    const auto start = [&](QProcess &process, const QString &daemon) {
        QStringList command = {findDaemon(daemon), "-F", "--debug-stdout", "-s", dir.filePath("smb.conf")};
        if (!networkNamespace.isEmpty())
            command = QStringList{"ip", "netns", "exec", networkNamespace} + command;
        process.setStandardInputFile(QProcess::nullDevice());
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.setStandardOutputFile(dir.filePath(daemon + ".out"));
        process.start(command.takeFirst(), command);
        if (!process.waitForStarted(5000))
            m_error = QStringLiteral("cannot start %1: %2").arg(daemon, process.errorString());
    };
    if (!networkNamespace.isEmpty())
        start(m_nmbd, QStringLiteral("nmbd"));
    start(m_smbd, QStringLiteral("smbd"));
    const QDeadlineTimer deadline(10000);
    while (m_error.isEmpty() && !listensOn139(m_smbd.processId(), address)) {
        if (deadline.hasExpired() || m_smbd.state() != QProcess::Running) {
            QFile output(dir.filePath(QStringLiteral("smbd.out")));
            m_error = QStringLiteral("smbd does not listen on %1:139\n").arg(address) +
                      (output.open(QIODevice::ReadOnly) ? QString::fromUtf8(output.readAll()) : QString());
        }
        QThread::msleep(50);
    }
}

SambaReceiver::~SambaReceiver()
{
    stop(m_smbd);
    stop(m_nmbd);
}

bool SambaReceiver::available()
{
    return !findDaemon(QStringLiteral("smbd")).isEmpty();
}

QList<SambaReceiver::Message> SambaReceiver::messages() const
{
    QList<Message> result;
    for (const QString &name : QDir(m_dir.path()).entryList({QStringLiteral("*.msg")}, QDir::Files, QDir::Name)) {
        QFile text(m_dir.filePath(name));
        result.append({text.open(QIODevice::ReadOnly) ? QString::fromUtf8(text.readAll()) : QString()});
    }
    return result;
}
