#include "SpoolWriter.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string failure(const std::string &what, const std::string &path)
{
    return what + " " + path + ": " + std::strerror(errno);
}

// The identity a set-user-ID program switches between: the user who started it, for the file
// smbd handed over, and the program's owner, for the spool. Without set-user-ID both are one.
struct Identity
{
    uid_t caller = ::getuid();
    uid_t owner = ::geteuid();

    bool asCaller() const { return caller == owner || ::seteuid(caller) == 0; }
    bool asOwner() const { return caller == owner || ::seteuid(owner) == 0; }
};

// Reads at most limit + 1 bytes of a regular file, never through a link or from a FIFO, so
// that an over-long text is seen without being read whole.
std::string readBounded(const std::string &path, std::size_t limit, std::string &content)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return failure("cannot open", path);
    struct stat status
    {
    };
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return "not a regular file: " + path;
    }
    char buffer[16384];
    ssize_t got = 0;
    while (content.size() <= limit &&
           ((got = ::read(fd, buffer, std::min(sizeof buffer, limit + 1 - content.size()))) > 0 ||
            (got < 0 && errno == EINTR)))
        content.append(buffer, size_t(got > 0 ? got : 0));
    const std::string error = got < 0 ? failure("cannot read", path) : std::string();
    ::close(fd);
    return error;
}

bool writeAll(int fd, const std::string &bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno != EINTR)
            return false;
        done += size_t(written > 0 ? written : 0);
    }
    return true;
}

std::string header(const std::string &sender, const std::string &recipient, std::time_t now)
{
    char stamp[32];
    std::tm utc{};
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", gmtime_r(&now, &utc));
    return "from=" + spoolHeaderValue(sender) + "\nto=" + spoolHeaderValue(recipient) + "\ntime=" + stamp + "\n\n";
}

// Writes content to dir/.name.tmp, flushes it to the disk and renames it to dir/name, never
// over an existing file.
std::string commit(const std::string &dir, const std::string &name, const std::string &content)
{
    const std::string hidden = dir + "/." + name + ".tmp";
    const std::string visible = dir + "/" + name;
    const int fd = ::open(hidden.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0640);
    if (fd < 0)
        return failure("cannot create", hidden);
    ::fchmod(fd, 0640); // readable by the spool's group (the receiving users) whatever the umask is
    std::string error;
    if (!writeAll(fd, content) || ::fsync(fd) != 0)
        error = failure("cannot write", hidden);
    if (::close(fd) != 0 && error.empty())
        error = failure("cannot write", hidden);
    if (error.empty() && ::renameat2(AT_FDCWD, hidden.c_str(), AT_FDCWD, visible.c_str(), RENAME_NOREPLACE) != 0)
        error = failure("cannot rename to", visible);
    if (!error.empty())
        ::unlink(hidden.c_str());
    return error;
}

// The nanoseconds a spool name starts with, or -1 when it is no name parlo-deliver gives.
long long stampOf(const char *name)
{
    long long stamp = 0;
    int digits = 0;
    for (; digits < 20 && name[digits] >= '0' && name[digits] <= '9'; ++digits)
        stamp = stamp * 10 + (name[digits] - '0');
    return digits == 20 && name[20] == '-' ? stamp : -1;
}

// At most once an hour (a stamp file's time says when it last ran): removes the messages older
// than keptDays, and what a delivery that died left under a hidden name for a day.
void prune(const std::string &spool, long long nowNanoseconds)
{
    constexpr long long hour = 3600LL * 1000 * 1000 * 1000;
    const std::string stampFile = spool + "/.pruned";
    struct stat status
    {
    };
    if (::lstat(stampFile.c_str(), &status) == 0 &&
        status.st_mtim.tv_sec * 1000000000LL + status.st_mtim.tv_nsec > nowNanoseconds - hour)
        return;
    const int stamp = ::open(stampFile.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0640);
    if (stamp < 0)
        return;
    ::futimens(stamp, nullptr);
    ::close(stamp);
    DIR *dir = ::opendir(spool.c_str());
    if (!dir)
        return;
    const int fd = ::dirfd(dir);
    while (const dirent *entry = ::readdir(dir)) {
        const bool hidden = entry->d_name[0] == '.';
        const long long born = stampOf(entry->d_name + (hidden ? 1 : 0));
        const long long limit = hidden ? 24 * hour : keptDays * 24 * hour;
        if (born >= 0 && born < nowNanoseconds - limit)
            ::unlinkat(fd, entry->d_name, 0);
    }
    ::closedir(dir);
}

} // namespace

std::string spoolHeaderValue(const std::string &value)
{
    std::string encoded;
    for (const unsigned char c : value) {
        if (c == '%' || c < 0x20 || c == 0x7f) {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", c);
            encoded += escape;
        } else {
            encoded += char(c);
        }
    }
    return encoded;
}

std::string deliverMessage(const std::string &spool, const std::string &sender, const std::string &recipient,
                           const std::string &file)
{
    const Identity identity;
    std::string text;
    if (!identity.asCaller())
        return failure("cannot take the identity of the caller for", file);
    if (std::string error = readBounded(file, maxTextBytes, text); !error.empty())
        return error;
    std::string refused;
    if (text.size() > maxTextBytes)
        refused = "refused: the text of " + file + " is longer than " + std::to_string(maxTextBytes) + " bytes";
    else if (sender.size() > maxNameBytes || recipient.size() > maxNameBytes)
        refused = "refused: a name is longer than " + std::to_string(maxNameBytes) + " bytes";
    if (!refused.empty()) {
        ::unlink(file.c_str()); // a hostile size would otherwise stay in smbd's folder
        return refused;
    }
    const auto now = std::chrono::system_clock::now();
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(now.time_since_epoch()).count();
    char name[64];
    std::snprintf(name, sizeof name, "%020lld-%ld.msg", static_cast<long long>(nanoseconds), long(::getpid()));
    const std::string content = header(sender, recipient, std::chrono::system_clock::to_time_t(now)) + text;
    if (!identity.asOwner())
        return failure("cannot take the identity of the spool's owner for", spool);
    std::string error = commit(spool, name, content);
    if (error.empty())
        prune(spool, static_cast<long long>(nanoseconds));
    if (!identity.asCaller() && error.empty())
        return failure("stored, but cannot take the identity of the caller to remove", file);
    if (!error.empty())
        return error;
    if (::unlink(file.c_str()) != 0)
        return failure("stored, but cannot remove", file);
    return {};
}
