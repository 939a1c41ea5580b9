// P13: the History window over 100,000 messages, from its making (the newest shown) through one
// filter typed (a word that one message in a hundred holds), against a bare QTableView over a
// QSqlQueryModel that runs the same two message queries on the same file and fetches the same
// rows. Parlo's round must also stay within 200 ms.
#include "Bench.h"
#include "history/HistoryWindow.h"
#include "platform/SqliteHistory.h"

#include <QApplication>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QTableView>
#include <QTemporaryDir>

namespace {

constexpr int messages = 100000;

// Fills the file through a connection of the benchmark's own, in one transaction: every other
// message received, the others sent to one name.
bool fill(const QString &file)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
    db.setDatabaseName(file);
    if (!db.open() || !db.transaction())
        return false;
    QSqlQuery message(db), recipient(db);
    message.prepare(QStringLiteral("INSERT INTO messages (id, at, direction, sender, text, list, origin) "
                                   "VALUES (?, ?, ?, ?, ?, '', '')"));
    recipient.prepare(QStringLiteral("INSERT INTO recipients (message, position, name, delivery) VALUES (?, 0, ?, 1)"));
    for (int i = 1; i <= messages; ++i) {
        const bool received = i % 2;
        const QString name = QStringLiteral("PC%1").arg(i % 500);
        message.addBindValue(i);
        message.addBindValue(qint64(i) * 60000);
        message.addBindValue(received ? 1 : 0);
        message.addBindValue(received ? name : QStringLiteral(""));
        message.addBindValue(i % 100 ? QStringLiteral("message number %1").arg(i)
                                     : QStringLiteral("lunch at %1").arg(i));
        if (!message.exec())
            return false;
        if (!received) {
            recipient.addBindValue(i);
            recipient.addBindValue(name);
            if (!recipient.exec())
                return false;
        }
    }
    return db.commit();
}

QString messageQuery(const QString &filter)
{
    const QString where = filter.isEmpty()
                              ? QString()
                              : QStringLiteral("WHERE sender LIKE '%1' OR text LIKE '%1' OR EXISTS (SELECT 1 FROM "
                                               "recipients WHERE message = messages.id AND name LIKE '%1')")
                                    .arg(u'%' + filter + u'%');
    return QStringLiteral("SELECT id, at, direction, sender, text, list FROM messages %1 ORDER BY id DESC LIMIT %2")
        .arg(where)
        .arg(HistoryModel::shownAtMost);
}

} // namespace

int main(int argc, char *argv[])
{
    bench::useOffscreenByDefault();
    QApplication app(argc, argv);
    QTemporaryDir temp;
    const QString file = temp.filePath(QStringLiteral("history.sqlite"));
    {
        const SqliteHistory made(file); // the tables, as Parlo makes them
        if (!made.problem().isEmpty() || !fill(file))
            bench::fail("P13", QStringLiteral("cannot fill %1").arg(file));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
    SqliteHistory history(file);
    const QString filter = QStringLiteral("lunch");

    {
        HistoryWindow window(history, {}, {});
        window.findChild<QLineEdit *>(QStringLiteral("txtFilter"))->setText(filter);
        if (window.model().rowCount() != HistoryModel::shownAtMost)
            bench::fail("P13", QStringLiteral("the filter found %1 messages").arg(window.model().rowCount()));
    }
    const auto parlo = [&] {
        return bench::timeMs([&] {
            HistoryWindow window(history, {}, {});
            window.findChild<QLineEdit *>(QStringLiteral("txtFilter"))->setText(filter);
        });
    };
    QSqlDatabase bare = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bare"));
    bare.setDatabaseName(file);
    if (!bare.open())
        bench::fail("P13", QStringLiteral("cannot open %1").arg(file));
    const auto baseline = [&] {
        return bench::timeMs([&] {
            QTableView view;
            QSqlQueryModel model;
            view.setModel(&model);
            for (const QString &typed : {QString(), filter}) {
                model.setQuery(messageQuery(typed), bare);
                while (model.canFetchMore())
                    model.fetchMore();
            }
        });
    };
    const bench::Pair pair = bench::compare(5, parlo, baseline);
    const bool quick = pair.parlo.median() <= 200;
    return bench::report({"P13", pair.parlo, pair.baseline, 1.5, quick ? "within 200 ms" : "over 200 ms", quick});
}
