#include "HistoryModel.h"

#include <QDateTime>
#include <QLocale>

namespace {

QString outcomeText(const HistoryEntry &entry)
{
    if (entry.direction == Direction::Received)
        return QStringLiteral("received");
    qsizetype delivered = 0, pending = 0;
    for (const HistoryRecipient &copy : entry.recipients) {
        delivered += copy.delivery == Delivery::Delivered;
        pending += copy.delivery == Delivery::Pending;
    }
    if (pending > 0)
        return QStringLiteral("sending");
    return QStringLiteral("%1 of %2 delivered").arg(delivered).arg(entry.recipients.size());
}

} // namespace

QString recipientsText(const HistoryEntry &entry)
{
    QStringList names;
    for (const HistoryRecipient &copy : entry.recipients) {
        names.append(copy.delivery == Delivery::Delivered
                         ? copy.name
                         : QStringLiteral("%1 (%2)").arg(copy.name, deliveryText(copy.delivery)));
    }
    const QString joined = names.join(QStringLiteral(", "));
    return entry.list.isEmpty() ? joined : entry.list + QStringLiteral(": ") + joined;
}

HistoryModel::HistoryModel(const MessageHistory &history, QObject *parent)
    : QAbstractTableModel(parent), m_history(history)
{
}

void HistoryModel::setFilter(const QString &filter)
{
    beginResetModel();
    m_entries = m_history.find(filter, shownAtMost);
    endResetModel();
}

const HistoryEntry *HistoryModel::entry(const QModelIndex &index) const
{
    return index.isValid() && index.row() < m_entries.size() ? &m_entries[index.row()] : nullptr;
}

int HistoryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

int HistoryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Columns;
}

QVariant HistoryModel::data(const QModelIndex &index, int role) const
{
    const HistoryEntry *message = entry(index);
    if (!message || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    switch (index.column()) {
    case Time:
        return QLocale().toString(QDateTime::fromMSecsSinceEpoch(message->atMs), QLocale::ShortFormat);
    case From:
        return message->direction == Direction::Received ? message->sender : QString();
    case To:
        return recipientsText(*message);
    case Message: {
        // One line in the table; the whole text in its tip.
        QString text = message->text;
        return role == Qt::ToolTipRole ? text : text.replace(u'\n', u' ').replace(u'\r', u' ');
    }
    case Outcome:
        return outcomeText(*message);
    }
    return {};
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char *const titles[] = {"Time", "From", "To", "Message", "Outcome"};
    return section >= 0 && section < Columns ? QString::fromLatin1(titles[section]) : QVariant();
}
