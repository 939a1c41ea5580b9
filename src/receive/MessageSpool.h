#pragma once

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QSet>
#include <QString>

#include <optional>

// One message of the spool folder, as parlo-deliver stored it.
struct SpoolMessage
{
    QString fileName; // the file's name in the spool folder
    QString sender;
    QString recipient;
    QDateTime time; // when it arrived
    QString text;
};

// Reads a spool file's content: the header (sender, recipient, time) and the text, decoded
// from UTF-8, Samba's default character set (or byte for byte as Latin-1 when it is no UTF-8).
std::optional<SpoolMessage> parseSpoolFile(const QByteArray &content);

// Watches a spool folder and reports each message in it once, oldest first: those there at
// start(), then each one as it arrives.
class MessageSpool final : public QObject
{
    Q_OBJECT
public:
    explicit MessageSpool(const QString &folder, QObject *parent = nullptr);

    void start(); // does nothing when the folder does not exist
    // Removes the message's file; it was shown. False when it cannot be removed.
    bool take(const SpoolMessage &message);

Q_SIGNALS:
    void arrived(const SpoolMessage &message);

private:
    void scan();

    QString m_folder;
    QFileSystemWatcher m_watcher;
    QSet<QString> m_reported;
};
