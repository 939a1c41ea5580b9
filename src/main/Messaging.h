#pragma once

#include "Outcome.h"
#include "platform/NameFile.h"

#include <QString>
#include <QStringList>

class CommandRunner;
class FixedPaths;

// The fixed paths of the alias file and the four list files.
inline QString aliasFile()
{
    return QStringLiteral("c:\\parlo.txt");
}
inline QString listFile(int list)
{
    return QStringLiteral("c:\\list%1.txt").arg(list);
}

// The line that opens a file at a drive path in the editor.
inline QString editCommandLine(const QString &drivePath)
{
    return QStringLiteral("notepad.exe ") + drivePath;
}

// What a send without a message says.
inline Notice nothingToSend()
{
    return {QStringLiteral("First type something to send !"), applicationTitle(), BoxIcon::Information};
}

// The net send line for the interpreter: "net send ", the recipient, a blank, the message. The
// recipient's words and the message stand in it as the runner's literals, so that net gets them
// as typed and nothing acts as interpreter syntax; plain text gives "net send BOB hello".
QString sendCommandLine(const CommandRunner &runner, const QString &recipient, const QString &message);

// A program and its arguments, started without a shell or word splitting.
struct ProgramCall
{
    QString program;
    QStringList arguments;
};

// net with its arguments for one name of a list: the name stays one word and the message
// arrives exactly as typed.
ProgramCall listSendCall(const QString &name, const QString &message);

// Why net send cannot carry a recipient or a message as typed, as a sentence; empty when it can.
QString sendRefusal(const QString &recipient, const QString &message);

// How a copy sent by net fared, by net's exit status.
Delivery deliveryOf(int netExitCode);
// "List1: 3 of 4 delivered; GHOST: name not found": a list send's outcome in one line, the
// names that failed in the order they were sent to.
QString listReport(const QString &list, const QList<HistoryRecipient> &copies);

// The line that Add Alias appends, with its CR LF. A name that the field reader would split
// or trim (it holds a comma, or begins with a blank) is written between double quotes.
QString aliasLine(const QString &name);

// Appends text to a file in the locale's encoding, creating it when missing; returns an
// error sentence, or nothing on success.
QString appendToFile(const FixedPaths &paths, const QString &drivePath, const QString &text);
