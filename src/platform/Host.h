#pragma once

#include "CommandRunner.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

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
};

// Everything a window may do to the world outside it.
struct Host
{
    CommandRunner &runner;
    ProcessLauncher &launcher;
    MessageBoxes &messages;
    const HostFacts &facts;
    const FixedPaths &paths;
};

// The title of message boxes that name none of their own.
inline QString applicationTitle()
{
    return QStringLiteral("Parlo");
}

// The address of Parlo's own web page.
inline QString productWebPage()
{
    return QStringLiteral("https://parlo.example.org/");
}

// Shows why something could not be done, in a plain box under the application title.
inline void reportFailure(MessageBoxes &messages, const QString &error)
{
    messages.show(error, applicationTitle(), BoxIcon::None);
}
