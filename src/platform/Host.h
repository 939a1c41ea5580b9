#pragma once

#include "MessageHistory.h"
#include "WhoisSettings.h"
#include "core/CommandRunner.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <optional>

class FixedPaths;

// What starting a program without waiting gave back.
struct Launch
{
    qint64 pid = 0;
    QString error; // empty when the program started; otherwise a sentence naming it

    bool failed() const { return !error.isEmpty(); }
};

// Starts programs as new processes without waiting for them.
class ProcessLauncher
{
public:
    virtual ~ProcessLauncher() = default;
    // A command line, split into words and with its drive paths mapped as Windows programs expect.
    virtual Launch start(const QString &commandLine, int windowStyle) = 0;
    // A program found on the search path, given exactly these arguments: nothing split or mapped.
    virtual Launch startProgram(const QString &program, const QStringList &arguments, int windowStyle) = 0;
    // The same, and once it has ended, later in the event loop, ended gets its exit status (-1
    // when a signal ended it). Not called when it did not start.
    virtual Launch startFollowed(const QString &program, const QStringList &arguments, int windowStyle,
                                 std::function<void(int exitCode)> ended) = 0;
};

enum class BoxIcon
{
    None,
    Information
};

// Modal message boxes with an OK button only.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    virtual void show(const QString &text, const QString &title, BoxIcon icon) = 0;
};

// The operating system's version as a pair of numbers.
struct VersionPair
{
    int major = 0;
    int minor = 0;
    // Whether the pair numbers a Windows version; only then do Windows' version names apply
    // (Linux 5.1 is no Windows XP).
    bool windows = false;
};

// Physical memory in bytes.
struct MemoryStatus
{
    quint64 totalPhys = 0;
    quint64 availPhys = 0;
};

// One value as the registry holds it: its type number (1 text, 4 number, ...) and its bytes,
// texts in the locale's 8-bit encoding with their terminating zero.
struct RegistryValue
{
    quint32 type = 0;
    QByteArray data;
};

// What looking up one registry value found.
struct RegistryLookup
{
    bool keyFound = false;
    std::optional<RegistryValue> value; // when the key holds a value of that name
    QString error;                      // a sentence when the lookup itself failed
    // Sentences about parts of the registry that had to be left out (a file that cannot be
    // read, naming the file and line), each given once in the program's life, to show the user.
    QStringList problems;

    bool failed() const { return !error.isEmpty(); }
};

// Where receiving keeps its things: the spool folder that parlo-deliver fills, the user's
// record of acknowledged messages, and the lock that makes one Parlo of the user the receiver.
struct ReceivePlaces
{
    QString spool;
    QString receipts;
    QString lock;
};

// Facts about the local machine and the user's session.
class HostFacts
{
public:
    virtual ~HostFacts() = default;
    // The computer's name, or nothing when the system cannot tell it.
    virtual std::optional<QString> computerName() const = 0;
    // The local IPv4 address in dotted form.
    virtual QString localIpAddress() const = 0;
    // An environment variable by its Windows name (case does not matter); empty when unset.
    virtual QString environment(const QString &name) const = 0;
    // Where the whois window asks and how long it waits.
    virtual WhoisSettings whoisSettings() const = 0;
    // The system's version number pair.
    virtual VersionPair version() const = 0;
    // Total and available physical memory.
    virtual MemoryStatus memoryStatus() const = 0;
    // The LAN group (workgroup) this workstation belongs to; empty when it belongs to none.
    virtual QString workgroup() const = 0;
    // The operating system's own name for itself, e.g. "Debian GNU/Linux 12 (bookworm)"; empty
    // when it names itself nowhere.
    virtual QString systemName() const = 0;
    // The value name of the key below root (a predefined root key's handle, e.g. 0x80000002),
    // read only.
    virtual RegistryLookup registryValue(quint32 root, const QString &key, const QString &name) const = 0;
    // Where received messages wait, and this user's record and lock for them.
    virtual ReceivePlaces receivePlaces() const = 0;
    // The address of Parlo's own web page, which ships with it.
    virtual QString webPage() const = 0;
};

// Everything a window may do to the world outside it.
struct Host
{
    CommandRunner &runner;
    ProcessLauncher &launcher;
    MessageBoxes &messages;
    const HostFacts &facts;
    const FixedPaths &paths;
    MessageHistory &history = NoHistory::instance();
};

// The title of message boxes that name none of their own.
inline QString applicationTitle()
{
    return QStringLiteral("Parlo");
}

// Shows why something could not be done, in a plain box under the application title.
inline void reportFailure(MessageBoxes &messages, const QString &error)
{
    messages.show(error, applicationTitle(), BoxIcon::None);
}
