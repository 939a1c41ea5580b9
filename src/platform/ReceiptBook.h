#pragma once

#include <QSet>
#include <QString>

// Which messages of the spool this user has acknowledged (closed their pop-up), so that each
// message is shown until it was seen, and once.
class ReceiptBook
{
public:
    virtual ~ReceiptBook() = default;
    // Opens (or makes) the book; "" on success, else why not. Without it nothing is kept.
    virtual QString open() = 0;
    virtual QSet<QString> acknowledged() const = 0;
    // Keeps that name was seen; false when it could not.
    virtual bool acknowledge(const QString &name) = 0;
    // Forgets the names that are no longer in the spool.
    virtual void keepOnly(const QSet<QString> &present) = 0;
};
