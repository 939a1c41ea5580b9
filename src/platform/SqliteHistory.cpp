#include "SqliteHistory.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

// Delivery and Direction are kept by their numbers: new values go at the end of their enums.

namespace {

const QStringList schema = {
    QStringLiteral("CREATE TABLE IF NOT EXISTS messages (id INTEGER PRIMARY KEY, at INTEGER NOT NULL, "
                   "direction INTEGER NOT NULL, sender TEXT NOT NULL, text TEXT NOT NULL, list TEXT NOT NULL, "
                   "origin TEXT NOT NULL)"),
    QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS messages_origin ON messages (origin) WHERE origin != ''"),
    QStringLiteral("CREATE TABLE IF NOT EXISTS recipients (message INTEGER NOT NULL, position INTEGER NOT NULL, "
                   "name TEXT NOT NULL, delivery INTEGER NOT NULL, PRIMARY KEY (message, position))"),
};

// filter as a LIKE pattern that matches it anywhere, its own % and _ taken literally.
QString containing(const QString &filter)
{
    QString pattern = filter;
    pattern.replace(u'\\', QLatin1String("\\\\"))
        .replace(u'%', QLatin1String("\\%"))
        .replace(u'_', QLatin1String("\\_"));
    return u'%' + pattern + u'%';
}

// Qt binds a null string as NULL; the columns hold empty texts instead.
QString notNull(const QString &text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

} // namespace

SqliteHistory::SqliteHistory(const QString &file, int limit)
    : m_file(file), m_limit(limit), m_connection(QStringLiteral("history-%1").arg(quintptr(this), 0, 16))
{
}

SqliteHistory::~SqliteHistory()
{
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

bool SqliteHistory::ready() const
{
    if (m_tried)
        return m_problem.isEmpty();
    m_tried = true;
    const QString folder = QFileInfo(m_file).absolutePath();
    if (!QFileInfo::exists(folder) && QDir().mkpath(folder))
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (QFileInfo(m_file).isSymLink()) {
        m_problem = m_file + QStringLiteral(" is a link; the history is kept only in a file of its own");
        return false;
    }
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        m_problem = QStringLiteral("Qt's SQLite driver is not installed (Debian package libqt6sql6-sqlite)");
        return false;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(m_file);
    // Another Parlo of the user may be writing its record.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    // With the write-ahead log, NORMAL keeps every record a killed Parlo made; only a power loss
    // may take the last ones, and no record waits for the disk.
    QStringList statements = {QStringLiteral("PRAGMA journal_mode=WAL"), QStringLiteral("PRAGMA synchronous=NORMAL")};
    statements += schema;
    bool done = db.open();
    for (qsizetype i = 0; done && i < statements.size(); ++i)
        done = QSqlQuery(db).exec(statements[i]);
    if (!done) {
        m_problem = m_file + QStringLiteral(": ") + db.lastError().text();
        db.close();
        return false;
    }
    QFile::setPermissions(m_file, QFile::ReadOwner | QFile::WriteOwner);
    return true;
}

QString SqliteHistory::problem() const
{
    ready();
    return m_problem;
}

qint64 SqliteHistory::insert(Direction direction, const QString &sender, const QString &text, const QString &list,
                             const QStringList &recipients, const QString &origin)
{
    if (!ready())
        return 0;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.transaction())
        return 0;
    QSqlQuery query(db);
    query.prepare(QStringLiteral("INSERT OR IGNORE INTO messages (at, direction, sender, text, list, origin) "
                                 "VALUES (?, ?, ?, ?, ?, ?)"));
    query.addBindValue(QDateTime::currentMSecsSinceEpoch());
    query.addBindValue(int(direction));
    query.addBindValue(notNull(sender));
    query.addBindValue(notNull(text));
    query.addBindValue(notNull(list));
    query.addBindValue(notNull(origin));
    bool done = query.exec() && query.numRowsAffected() == 1;
    const qint64 id = query.lastInsertId().toLongLong();
    query.prepare(QStringLiteral("INSERT INTO recipients (message, position, name, delivery) VALUES (?, ?, ?, ?)"));
    for (qsizetype i = 0; done && i < recipients.size(); ++i) {
        query.addBindValue(id);
        query.addBindValue(i);
        query.addBindValue(notNull(recipients[i]));
        query.addBindValue(int(Delivery::Pending));
        done = query.exec();
    }
    // Ids only grow, so the oldest are those at least `limit` below the newest.
    const qint64 cut = id - m_limit;
    if (done && cut > 0) {
        for (const QString &table : {QStringLiteral("recipients WHERE message"), QStringLiteral("messages WHERE id")}) {
            query.prepare(QStringLiteral("DELETE FROM %1 <= ?").arg(table));
            query.addBindValue(cut);
            done = done && query.exec();
        }
    }
    if (done && db.commit())
        return id;
    db.rollback();
    return 0;
}

qint64 SqliteHistory::recordSent(const QString &text, const QStringList &recipients, const QString &list)
{
    return insert(Direction::Sent, {}, text, list, recipients, {});
}

qint64 SqliteHistory::recordReceived(const QString &sender, const QString &text, const QString &origin)
{
    return insert(Direction::Received, sender, text, {}, {}, origin);
}

void SqliteHistory::recordDelivery(qint64 id, const QString &recipient, Delivery delivery)
{
    if (!ready())
        return;
    // A name a list holds twice was sent to twice: each outcome goes to the first copy still waiting.
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(
        QStringLiteral("UPDATE recipients SET delivery = ? WHERE message = ? AND position = "
                       "(SELECT min(position) FROM recipients WHERE message = ? AND name = ? AND delivery = ?)"));
    query.addBindValue(int(delivery));
    query.addBindValue(id);
    query.addBindValue(id);
    query.addBindValue(recipient);
    query.addBindValue(int(Delivery::Pending));
    query.exec();
}

QList<HistoryEntry> SqliteHistory::find(const QString &filter, int limit) const
{
    QList<HistoryEntry> found;
    if (!ready() || limit <= 0)
        return found;
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    // SQLite's LIKE ignores the case of ASCII letters only: a filter with other letters is
    // matched here instead, row by row from the newest, until enough are found.
    const bool matchHere = std::any_of(filter.begin(), filter.end(), [](QChar c) { return c.unicode() >= 0x80; });
    QString where;
    if (matchHere) {
        where = QStringLiteral(", (SELECT group_concat(name, char(10)) FROM recipients WHERE message = messages.id) "
                               "FROM messages");
    } else if (!filter.isEmpty()) {
        where = QStringLiteral(
            "FROM messages WHERE sender LIKE :a ESCAPE '\\' OR text LIKE :b ESCAPE '\\' OR EXISTS (SELECT 1 FROM "
            "recipients WHERE message = messages.id AND name LIKE :c ESCAPE '\\')");
    } else {
        where = QStringLiteral("FROM messages");
    }
    query.prepare(QStringLiteral("SELECT id, at, direction, sender, text, list %1 ORDER BY id DESC%2")
                      .arg(where, matchHere ? QString() : QStringLiteral(" LIMIT :limit")));
    if (!filter.isEmpty() && !matchHere) {
        const QString pattern = containing(filter);
        for (const char *name : {":a", ":b", ":c"})
            query.bindValue(QLatin1String(name), pattern);
    }
    if (!matchHere)
        query.bindValue(QStringLiteral(":limit"), limit);
    if (!query.exec())
        return found;
    QHash<qint64, qsizetype> byId;
    QStringList ids;
    while (found.size() < limit && query.next()) {
        if (matchHere && !query.value(3).toString().contains(filter, Qt::CaseInsensitive) &&
            !query.value(4).toString().contains(filter, Qt::CaseInsensitive) &&
            !query.value(6).toString().contains(filter, Qt::CaseInsensitive))
            continue;
        HistoryEntry entry;
        entry.id = query.value(0).toLongLong();
        entry.atMs = query.value(1).toLongLong();
        entry.direction = query.value(2).toInt() == int(Direction::Received) ? Direction::Received : Direction::Sent;
        entry.sender = query.value(3).toString();
        entry.text = query.value(4).toString();
        entry.list = query.value(5).toString();
        byId.insert(entry.id, found.size());
        ids.append(QString::number(entry.id));
        found.append(entry);
    }
    if (ids.isEmpty())
        return found;
    QSqlQuery recipients(db);
    recipients.setForwardOnly(true);
    if (!recipients.exec(QStringLiteral("SELECT message, name, delivery FROM recipients WHERE message IN (%1) "
                                        "ORDER BY message, position")
                             .arg(ids.join(u','))))
        return found;
    while (recipients.next()) {
        const int delivery = recipients.value(2).toInt();
        const bool known = delivery >= 0 && delivery <= int(Delivery::Failed);
        found[byId.value(recipients.value(0).toLongLong())].recipients.append(
            {recipients.value(1).toString(), known ? Delivery(delivery) : Delivery::Failed});
    }
    return found;
}
