#include "ReceiptStore.h"
#include "platform/SqliteHistory.h"
#include "platform/StoreModule.h"

#include <QObject>

// The store module's entries: the history and the receipt book, each in its SQLite database.
class StorePlugin final : public QObject, public StoreModule
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID StoreModule_iid)
    Q_INTERFACES(StoreModule)

public:
    std::unique_ptr<MessageHistory> makeHistory(const QString &file) override
    {
        return std::make_unique<SqliteHistory>(file);
    }
    std::unique_ptr<ReceiptBook> makeReceiptBook(const QString &file) override
    {
        return std::make_unique<ReceiptStore>(file);
    }
};

#include "StorePlugin.moc"
