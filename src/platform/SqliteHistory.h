#pragma once

#include "MessageHistory.h"

// The history in an SQLite database of the user's own (write-ahead log: a record outlives a
// killed Parlo, not always a power loss), opened on first use so that it costs the start
// nothing. Beyond `limit` messages the oldest go. Another Parlo of the same user may write the
// same file; each waits for the other's record.
class SqliteHistory final : public MessageHistory
{
public:
    static constexpr int defaultLimit = 100000;

    explicit SqliteHistory(const QString &file, int limit = defaultLimit);
    ~SqliteHistory() override;
    SqliteHistory(const SqliteHistory &) = delete;
    SqliteHistory &operator=(const SqliteHistory &) = delete;

    qint64 recordSent(const QString &text, const QStringList &recipients, const QString &list) override;
    void recordDelivery(qint64 id, const QString &recipient, Delivery delivery) override;
    qint64 recordReceived(const QString &sender, const QString &text, const QString &origin) override;
    QList<HistoryEntry> find(const QString &filter, int limit) const override;
    QString problem() const override;

private:
    bool ready() const;
    qint64 insert(Direction direction, const QString &sender, const QString &text, const QString &list,
                  const QStringList &recipients, const QString &origin);

    QString m_file;
    int m_limit;
    QString m_connection;
    mutable bool m_tried = false;
    mutable QString m_problem;
};
