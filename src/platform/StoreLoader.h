#pragma once

#include "MessageHistory.h"
#include "ModuleLoader.h"
#include "ReceiptBook.h"
#include "StoreModule.h"

#include <memory>

// The store module the program loads: in modules/ beside the program, or installed in
// ../lib/parlo/modules.
QString storeModulePath();

// Loads the store module at the first call of a history or receipt book made over it, and keeps
// it: Qt SQL, which the module brings, costs the start nothing.
using StoreLoader = ModuleLoader<StoreModule>;

// The history in file, kept by the store module. Without the module problem() names it, nothing
// is kept and nothing is found; each call tries to load it again.
class LoadedHistory final : public MessageHistory
{
public:
    LoadedHistory(std::shared_ptr<StoreLoader> loader, QString file);

    qint64 recordSent(const QString &text, const QStringList &recipients, const QString &list) override;
    void recordDelivery(qint64 id, const QString &recipient, Delivery delivery) override;
    qint64 recordReceived(const QString &sender, const QString &text, const QString &origin) override;
    QList<HistoryEntry> find(const QString &filter, int limit) const override;
    QString problem() const override;

private:
    // The module's history; nullptr, with m_problem saying why, while the module cannot be loaded.
    MessageHistory *history() const;

    std::shared_ptr<StoreLoader> m_loader;
    QString m_file;
    mutable std::unique_ptr<MessageHistory> m_history;
    mutable QString m_problem;
};

// The receipt book in file, kept by the store module. Without the module open() names it and
// nothing is kept.
class LoadedReceipts final : public ReceiptBook
{
public:
    LoadedReceipts(std::shared_ptr<StoreLoader> loader, QString file);

    QString open() override;
    QSet<QString> acknowledged() const override;
    bool acknowledge(const QString &name) override;
    void keepOnly(const QSet<QString> &present) override;

private:
    std::shared_ptr<StoreLoader> m_loader;
    QString m_file;
    std::unique_ptr<ReceiptBook> m_book; // once open() has loaded the module
};
