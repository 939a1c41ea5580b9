#pragma once

#include <QProcess>
#include <QTemporaryDir>

// A private smbd for tests that receives messenger pop-ups on address:139, every file under a
// temporary folder. Inside a network namespace it also runs nmbd, which answers NetBIOS name
// queries for PARLOTEST. The destructor stops the servers with every process they started.
class SambaReceiver
{
public:
    struct Message
    {
        QString text; // as smbd stored it: UTF-8, line ends as LF
    };

    // Waits (at most 10 s) until port 139 listens; see isReady(). Without acceptMessages there
    // is no message command, so smbd refuses every message. A messageCommand replaces the one that
    // keeps the messages for messages(). smbd runs it as guestAccount, by default the test's user.
    explicit SambaReceiver(const QString &address, bool acceptMessages = true, const QString &networkNamespace = {},
                           const QString &messageCommand = {}, const QString &guestAccount = {});
    ~SambaReceiver();

    static bool available(); // whether smbd is in $PATH or /usr/sbin; tests skip without it

    bool isReady() const { return m_error.isEmpty(); }
    QString error() const { return m_error; } // why it is not ready, with the servers' output
    QString address() const { return m_address; }
    QList<Message> messages() const; // oldest first

private:
    QString m_address;
    QTemporaryDir m_dir;
    QProcess m_smbd;
    QProcess m_nmbd;
    QString m_error;
};
