#include "ReceiptStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {

bool run(QSqlDatabase &db, const QString &statement)
{
    QSqlQuery query(db);
    return query.exec(statement);
}

} // namespace

ReceiptStore::ReceiptStore(const QString &file)
    : m_file(file), m_connection(QStringLiteral("receipts-%1").arg(quintptr(this), 0, 16))
{
}

ReceiptStore::~ReceiptStore()
{
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

QString ReceiptStore::open()
{
    const QString folder = QFileInfo(m_file).absolutePath();
    if (!QFileInfo::exists(folder) && QDir().mkpath(folder))
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        return QStringLiteral("Qt's SQLite driver is not installed (Debian package libqt6sql6-sqlite)");
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(m_file);
    // Write-ahead log, and every commit on the disk before it returns: an acknowledgment
    // outlives a power loss.
    if (!db.open() || !run(db, QStringLiteral("PRAGMA journal_mode=WAL")) ||
        !run(db, QStringLiteral("PRAGMA synchronous=FULL")) ||
        !run(db, QStringLiteral("CREATE TABLE IF NOT EXISTS acknowledged (name TEXT PRIMARY KEY, at TEXT NOT NULL)"))) {
        const QString error = m_file + QStringLiteral(": ") + db.lastError().text();
        db.close();
        return error;
    }
    QFile::setPermissions(m_file, QFile::ReadOwner | QFile::WriteOwner);
    return {};
}

QSet<QString> ReceiptStore::acknowledged() const
{
    QSet<QString> names;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    if (query.exec(QStringLiteral("SELECT name FROM acknowledged"))) {
        while (query.next())
            names.insert(query.value(0).toString());
    }
    return names;
}

bool ReceiptStore::acknowledge(const QString &name)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("INSERT OR IGNORE INTO acknowledged (name, at) VALUES (?, ?)"));
    query.addBindValue(name);
    query.addBindValue(QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    return query.exec();
}

void ReceiptStore::keepOnly(const QSet<QString> &present)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.isOpen())
        return;
    QStringList gone;
    for (const QString &name : acknowledged()) {
        if (!present.contains(name))
            gone.append(name);
    }
    if (gone.isEmpty() || !db.transaction())
        return;
    QSqlQuery query(db);
    query.prepare(QStringLiteral("DELETE FROM acknowledged WHERE name = ?"));
    for (const QString &name : gone) {
        query.addBindValue(name);
        query.exec();
    }
    db.commit();
}
