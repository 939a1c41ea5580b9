#pragma once

#include <QString>

// A lock that one process of a user holds at a time (flock on a file of the user's own, in
// $XDG_RUNTIME_DIR): the process that holds it receives the messages. The kernel lets it go when
// the process ends, however it ends.
class SessionLock final
{
public:
    explicit SessionLock(const QString &file) : m_file(file) {}
    ~SessionLock();
    SessionLock(const SessionLock &) = delete;
    SessionLock &operator=(const SessionLock &) = delete;

    // Takes the lock without waiting; false when another process holds it or the file cannot
    // be made (then error() says why).
    bool tryLock();
    QString error() const { return m_error; }

private:
    QString m_file;
    QString m_error;
    int m_fd = -1;
};
