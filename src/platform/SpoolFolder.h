#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <sys/types.h>

// The folder where received messages wait, read as what others wrote. Only its owner (the
// deliverer) may put messages there, so an entry is a message only when it is a regular file of
// that owner with one link, reached without following a link, and at most maxBytes long.
// Nothing here blocks: a FIFO or a device is opened without waiting and refused.
class SpoolFolder final
{
public:
    static constexpr qint64 maxBytes = 64 * 1024;

    explicit SpoolFolder(const QString &path) : m_path(path) {}
    ~SpoolFolder();
    SpoolFolder(const SpoolFolder &) = delete;
    SpoolFolder &operator=(const SpoolFolder &) = delete;

    // Opens the folder; false when it does not exist or cannot be read.
    bool open();
    QString path() const { return m_path; }
    // The names of its entries, hidden ones (a leading dot: still being written) left out.
    QStringList names() const;
    // Why name is no message file, or "" when it is one; its bytes into content when given.
    // gone() when there is no such entry (any more).
    QString read(const QString &name, QByteArray *content = nullptr) const;
    static QString gone() { return QStringLiteral("no such entry"); }

private:
    QString m_path;
    int m_fd = -1;
    uid_t m_owner = 0;
};
