#pragma once

#include "platform/ReceiptBook.h"

// The receipt book in an SQLite database of the user's own. An acknowledgment is on the disk
// when acknowledge() returns.
class ReceiptStore final : public ReceiptBook
{
public:
    explicit ReceiptStore(const QString &file);
    ~ReceiptStore() override;
    ReceiptStore(const ReceiptStore &) = delete;
    ReceiptStore &operator=(const ReceiptStore &) = delete;

    QString open() override;
    QSet<QString> acknowledged() const override;
    bool acknowledge(const QString &name) override;
    void keepOnly(const QSet<QString> &present) override;

private:
    QString m_file;
    QString m_connection;
};
