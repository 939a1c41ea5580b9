#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>

// The machine's processes as /proc shows them at one moment.
struct ProcessEntry
{
    qint64 pid = 0;
    qint64 parent = 0;
    qint64 group = 0;
    char state = '?'; // 'Z' for a zombie, which is dead but not yet reaped
    QByteArray name;
};

inline QList<ProcessEntry> processTable()
{
    QList<ProcessEntry> table;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (entry.toLongLong() <= 0 || !stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state parent group ...": the name may hold blanks and parentheses.
        const QByteArray line = stat.readAll();
        const qsizetype open = line.indexOf('('), close = line.lastIndexOf(')');
        const QList<QByteArray> fields = line.mid(close + 2).split(' ');
        if (open > 0 && fields.size() > 2 && !fields[0].isEmpty())
            table.append({entry.toLongLong(), fields[1].toLongLong(), fields[2].toLongLong(), fields[0][0],
                          line.mid(open + 1, close - open - 1)});
    }
    return table;
}

// Processes of the group that are still alive; zombies waiting to be reaped do not count.
inline QList<qint64> livingMembers(qint64 group)
{
    QList<qint64> members;
    for (const ProcessEntry &process : processTable()) {
        if (process.group == group && process.state != 'Z')
            members.append(process.pid);
    }
    return members;
}

// The living processes below pid: its children, their children, and so on.
inline QList<qint64> livingDescendants(qint64 pid)
{
    const QList<ProcessEntry> table = processTable();
    QList<qint64> found = {pid};
    for (qsizetype i = 0; i < found.size(); ++i) {
        for (const ProcessEntry &process : table) {
            if (process.parent == found[i] && process.state != 'Z')
                found.append(process.pid);
        }
    }
    return found.mid(1);
}

// Those of pids that are still alive.
inline QList<qint64> living(const QList<qint64> &pids)
{
    QList<qint64> alive;
    for (const ProcessEntry &process : processTable()) {
        if (pids.contains(process.pid) && process.state != 'Z')
            alive.append(process.pid);
    }
    return alive;
}
