#pragma once

#include "platform/MessageHistory.h"

#include <QAbstractTableModel>

// The messages of the history as a table: time, from, to, message, outcome; newest first.
class HistoryModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column
    {
        Time,
        From,
        To,
        Message,
        Outcome,
        Columns
    };
    // The most a filter shows: the newest that match.
    static constexpr int shownAtMost = 1000;

    explicit HistoryModel(const MessageHistory &history, QObject *parent = nullptr);

    // Shows the messages whose sender, text or a recipient holds filter.
    void setFilter(const QString &filter);
    const HistoryEntry *entry(const QModelIndex &index) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const MessageHistory &m_history;
    QList<HistoryEntry> m_entries;
};

// "BOB", "List1: BOB, GHOST (name not found)": who a message went to and how each copy fared,
// the delivered ones by name alone.
QString recipientsText(const HistoryEntry &entry);
