#pragma once

#include "platform/SpoolFolder.h"

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QSet>
#include <QString>
#include <QTimer>

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

// Whether name is one that parlo-deliver gives a message: NANOSECONDS-PID.msg.
bool isMessageName(const QString &name);

// Watches a spool folder and reports each message file in it once, oldest first: those there at
// start(), then each one as it arrives. An entry that is no message file of the deliverer (see
// SpoolFolder) is set aside: never reported, never looked at again, and counted in one warning
// line for all that a quarter of a second brings. Entries are checked a batch at a time, so a folder of many keeps the
// event loop free; only the names are kept, never the texts.
class MessageSpool final : public QObject
{
    Q_OBJECT
public:
    explicit MessageSpool(const QString &folder, QObject *parent = nullptr);

    bool start(); // false, doing nothing, when the folder does not exist
    // Reads a reported message; nothing when it is gone or turned out to be no message.
    std::optional<SpoolMessage> read(const QString &name);
    // The names of the message files now in the folder.
    QSet<QString> messageNames();

Q_SIGNALS:
    void arrived(const QString &name);

private:
    void scan();
    void checkBatch();
    void setAside(const QString &name, const QString &why);
    void reportSetAside();

    SpoolFolder m_folder;
    QFileSystemWatcher m_watcher;
    QTimer m_batch;
    QTimer m_report;
    QSet<QString> m_known; // reported, waiting to be checked, or set aside
    QStringList m_unchecked;
    int m_setAside = 0;
    QString m_firstSetAside;
};
