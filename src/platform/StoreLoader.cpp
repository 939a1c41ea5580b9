#include "StoreLoader.h"

#include "HostConfig.h"

namespace {

// Why the module did not load, from the loader's error (empty for a missing file).
QString failure(const StoreLoader &loader, const QString &error)
{
    return error.isEmpty() ? QStringLiteral("the store module %1 is missing").arg(loader.path())
                           : QStringLiteral("the store module %1 cannot be loaded (%2)").arg(loader.path(), error);
}

} // namespace

QString storeModulePath()
{
    return HostConfig::modulePath(QStringLiteral(PARLO_STORE_MODULE_FILE));
}

LoadedHistory::LoadedHistory(std::shared_ptr<StoreLoader> loader, QString file)
    : m_loader(std::move(loader)), m_file(std::move(file))
{
}

MessageHistory *LoadedHistory::history() const
{
    if (m_history)
        return m_history.get();
    QString error;
    if (StoreModule *module = m_loader->module(error))
        m_history = module->makeHistory(m_file);
    else
        m_problem = QStringLiteral("The history cannot be kept: ") + failure(*m_loader, error) + u'.';
    return m_history.get();
}

qint64 LoadedHistory::recordSent(const QString &text, const QStringList &recipients, const QString &list)
{
    MessageHistory *kept = history();
    return kept ? kept->recordSent(text, recipients, list) : 0;
}

void LoadedHistory::recordDelivery(qint64 id, const QString &recipient, Delivery delivery)
{
    if (MessageHistory *kept = history())
        kept->recordDelivery(id, recipient, delivery);
}

qint64 LoadedHistory::recordReceived(const QString &sender, const QString &text, const QString &origin)
{
    MessageHistory *kept = history();
    return kept ? kept->recordReceived(sender, text, origin) : 0;
}

QList<HistoryEntry> LoadedHistory::find(const QString &filter, int limit) const
{
    const MessageHistory *kept = history();
    return kept ? kept->find(filter, limit) : QList<HistoryEntry>();
}

QString LoadedHistory::problem() const
{
    const MessageHistory *kept = history();
    return kept ? kept->problem() : m_problem;
}

LoadedReceipts::LoadedReceipts(std::shared_ptr<StoreLoader> loader, QString file)
    : m_loader(std::move(loader)), m_file(std::move(file))
{
}

QString LoadedReceipts::open()
{
    if (!m_book) {
        QString error;
        StoreModule *module = m_loader->module(error);
        if (!module)
            return failure(*m_loader, error);
        m_book = module->makeReceiptBook(m_file);
    }
    return m_book->open();
}

QSet<QString> LoadedReceipts::acknowledged() const
{
    return m_book ? m_book->acknowledged() : QSet<QString>();
}

bool LoadedReceipts::acknowledge(const QString &name)
{
    return m_book && m_book->acknowledge(name);
}

void LoadedReceipts::keepOnly(const QSet<QString> &present)
{
    if (m_book)
        m_book->keepOnly(present);
}
