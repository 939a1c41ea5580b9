#include "SpoolFolder.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

SpoolFolder::~SpoolFolder()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool SpoolFolder::open()
{
    if (m_fd >= 0)
        return true;
    m_fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat status
    {
    };
    if (m_fd < 0 || ::fstat(m_fd, &status) != 0) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        return false;
    }
    m_owner = status.st_uid;
    return true;
}

QStringList SpoolFolder::names() const
{
    QStringList names;
    const int fd = m_fd < 0 ? -1 : ::openat(m_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR *dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (!dir) {
        if (fd >= 0)
            ::close(fd);
        return names;
    }
    while (const dirent *entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.')
            names.append(QFile::decodeName(entry->d_name));
    }
    ::closedir(dir);
    return names;
}

QString SpoolFolder::read(const QString &name, QByteArray *content) const
{
    const QByteArray encoded = QFile::encodeName(name);
    if (name.isEmpty() || name.contains(u'/') || encoded.contains('\0'))
        return QStringLiteral("not a name in the folder");
    const int fd = ::openat(m_fd, encoded.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return errno == ELOOP ? QStringLiteral("a symbolic link") : errno == ENOENT ? gone() : systemError();
    struct stat status
    {
    };
    QString problem;
    if (::fstat(fd, &status) != 0)
        problem = systemError();
    else if (!S_ISREG(status.st_mode))
        problem = QStringLiteral("not a regular file");
    else if (status.st_uid != m_owner)
        problem = QStringLiteral("not owned by the folder's owner (uid %1)").arg(m_owner);
    else if (status.st_nlink != 1)
        problem = QStringLiteral("a file with %1 links").arg(status.st_nlink);
    else if (status.st_size > maxBytes)
        problem = QStringLiteral("%1 bytes, more than %2").arg(status.st_size).arg(maxBytes);
    if (problem.isEmpty() && content) {
        // The size was checked, but the file may grow meanwhile: never more than maxBytes + 1.
        content->resize(maxBytes + 1);
        qsizetype done = 0;
        ssize_t got = 0;
        while (done <= maxBytes && ((got = ::read(fd, content->data() + done, size_t(maxBytes + 1 - done))) > 0 ||
                                    (got < 0 && errno == EINTR)))
            done += got > 0 ? got : 0;
        content->resize(done);
        if (got < 0)
            problem = systemError();
        else if (done > maxBytes)
            problem = QStringLiteral("more than %1 bytes").arg(maxBytes);
    }
    ::close(fd);
    return problem;
}
