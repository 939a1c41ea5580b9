#pragma once

#include <QSet>
#include <QString>

// Which messages of the spool this user has acknowledged (closed their pop-up), kept in an
// SQLite database of the user's own, so that each message is shown until it was seen, and once.
// An acknowledgment is on the disk when acknowledge() returns.
class ReceiptStore final
{
public:
    explicit ReceiptStore(const QString &file);
    ~ReceiptStore();
    ReceiptStore(const ReceiptStore &) = delete;
    ReceiptStore &operator=(const ReceiptStore &) = delete;

    // Opens (or makes) the database; "" on success, else why not. Without it nothing is kept.
    QString open();
    QSet<QString> acknowledged() const;
    bool acknowledge(const QString &name);
    // Forgets the names that are no longer in the spool.
    void keepOnly(const QSet<QString> &present);

private:
    QString m_file;
    QString m_connection;
};
