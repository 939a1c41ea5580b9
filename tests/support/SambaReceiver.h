#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// A private Samba server for tests that receives messenger pop-ups: smbd (and nmbd on request)
// with every file under a temporary folder, listening on the caller's address only, storing
// each message it accepts where the test can read it. The destructor stops the servers with
// every process they started.
class SambaReceiver
{
public:
    struct Options
    {
        QString address;            // IPv4 address to listen on, e.g. 127.0.0.2 (port 139)
        int prefixLength = 8;       // of the address's subnet
        bool acceptMessages = true; // false: no message command, so every message is refused
        QString netbiosName = QStringLiteral("PARLOTEST");
        QString networkNamespace; // when set, the servers run inside it (ip netns exec)
        bool nameService = false; // also run nmbd, which answers NetBIOS name queries
    };

    struct Message
    {
        QString text;   // as smbd stored it: UTF-8, line ends as LF
        QString sender; // the sender's name as smbd read it
    };

    // Starts the servers and waits (at most 10 s) until port 139 listens; see isReady().
    explicit SambaReceiver(const Options &options);
    explicit SambaReceiver(const QString &address, bool acceptMessages = true);
    ~SambaReceiver();
    SambaReceiver(const SambaReceiver &) = delete;
    SambaReceiver &operator=(const SambaReceiver &) = delete;

    // Whether smbd is in $PATH or /usr/sbin; tests skip without it.
    static bool available();

    bool isReady() const { return m_error.isEmpty(); }
    // Why the server is not ready, with its log.
    QString error() const { return m_error; }
    QString address() const { return m_options.address; }
    // The messages accepted so far, oldest first.
    QList<Message> messages() const;
    // What the servers wrote to their standard output.
    QString log() const;

private:
    QProcess *start(const QString &daemon, const QString &logName);
    bool waitForListening(qint64 pid, int timeoutMs) const;
    static void stop(QProcess *process);

    Options m_options;
    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_smbd;
    std::unique_ptr<QProcess> m_nmbd;
    QString m_error;
};
