#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class FixedPaths;

// `cmd /c LINE` for Linux: LINE runs with /bin/sh, its drive paths moved into the data folder.
namespace CmdLine {

struct Request
{
    bool valid = false; // false: any use other than /c, answered with the usage text
    QByteArray line;    // what /bin/sh -c runs
};

// Reads the words after the program name: /c or /C (also glued to the first word, as in /cdir)
// and the words of the line, joined by single blanks. A word that is a whole drive path, also
// after > or >>, is mapped and quoted as one word; so is a word the caller already mapped into
// the data folder.
Request parseArguments(const QList<QByteArray> &arguments, const FixedPaths &paths);

// Maps the drive paths of a shell line that begin a word or follow a redirection (>, >>, 2>, <),
// bare or in double quotes, and quotes the result for /bin/sh where needed. Text in single
// quotes, inside a double-quoted string or after a backslash is left alone.
QByteArray mapLine(const QByteArray &line, const FixedPaths &paths);

// The local path of c:\NAME, c:/NAME or c:NAME (a shell that ate the backslash), in either case
// of the drive letter; empty when the text is no drive path.
QByteArray mapDrivePath(const QByteArray &text, const FixedPaths &paths);

// The word as /bin/sh reads it back unchanged: as it is when it holds only safe characters,
// otherwise in single quotes.
QByteArray shellQuote(const QByteArray &word);

QString usage();

} // namespace CmdLine
