#pragma once

#include "MessageHistory.h"
#include "ReceiptBook.h"

#include <QtPlugin>

#include <memory>

// What the store module, loaded only when the history or the receipts are first used (it brings
// Qt SQL with it), gives the program.
class StoreModule
{
public:
    virtual ~StoreModule() = default;
    // The history in the SQLite database file, opened at its first use.
    virtual std::unique_ptr<MessageHistory> makeHistory(const QString &file) = 0;
    // The receipt book in the SQLite database file, opened by its open().
    virtual std::unique_ptr<ReceiptBook> makeReceiptBook(const QString &file) = 0;
};

#define StoreModule_iid "org.parlo.StoreModule/1"
Q_DECLARE_INTERFACE(StoreModule, StoreModule_iid)
