#include "CmdLine.h"

#include "platform/FixedPaths.h"

#include <QFile>

#include <algorithm>
#include <cctype>

namespace CmdLine {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

// Characters after which a new shell word (or a redirection target) begins.
bool startsWord(char c)
{
    return isBlank(c) || c == '|' || c == '&' || c == ';' || c == '(' || c == ')' || c == '<' || c == '>';
}

// Characters that end an unquoted path.
bool endsPath(char c)
{
    return startsWord(c) || c == '"' || c == '\'' || c == '`';
}

bool isDriveStart(const QByteArray &text, qsizetype at)
{
    return at + 1 < text.size() && (text[at] == 'c' || text[at] == 'C') && text[at + 1] == ':';
}

qsizetype redirectionPrefix(const QByteArray &word)
{
    qsizetype prefix = 0;
    while (prefix < 2 && prefix < word.size() && word[prefix] == '>')
        ++prefix;
    return prefix;
}

} // namespace

QByteArray mapDrivePath(const QByteArray &text, const FixedPaths &paths)
{
    if (!isDriveStart(text, 0))
        return {};
    QByteArray name = text.mid(2);
    while (name.startsWith('\\') || name.startsWith('/'))
        name.remove(0, 1);
    if (name.isEmpty())
        return {};
    const QString drivePath = QStringLiteral("c:\\") + QFile::decodeName(name);
    return QFile::encodeName(paths.map(drivePath));
}

QByteArray shellQuote(const QByteArray &word)
{
    static const QByteArray safe = "@%+=:,./-_";
    bool plain = !word.isEmpty();
    for (const char c : word) {
        if (!(std::isalnum(static_cast<unsigned char>(c)) || safe.contains(c))) {
            plain = false;
            break;
        }
    }
    if (plain)
        return word;
    QByteArray quoted = word;
    quoted.replace('\'', "'\\''");
    return '\'' + quoted + '\'';
}

namespace {

// Appends the mapped and quoted drive path that begins at `at`, bare or as the whole of a
// double-quoted string without expansions; gives the index after it, or `at` when there is none.
qsizetype appendDrivePath(const QByteArray &line, qsizetype at, const FixedPaths &paths, QByteArray &out)
{
    qsizetype end = at;
    QByteArray path;
    if (isDriveStart(line, at)) {
        while (end < line.size() && !endsPath(line[end]))
            ++end;
        path = line.mid(at, end - at);
    } else if (line[at] == '"' && isDriveStart(line, at + 1)) {
        const qsizetype close = line.indexOf('"', at + 1);
        path = close < 0 ? QByteArray() : line.mid(at + 1, close - at - 1);
        if (path.contains('$') || path.contains('`'))
            path.clear();
        end = close + 1;
    }
    const QByteArray mapped = path.isEmpty() ? QByteArray() : mapDrivePath(path, paths);
    if (mapped.isEmpty())
        return at;
    out += shellQuote(mapped);
    return end;
}

// Where the escaped character or quoted string that begins at `at` ends: its text is kept as
// it is. `at` itself when none begins there.
qsizetype quotedEnd(const QByteArray &line, qsizetype at)
{
    const qsizetype n = line.size();
    switch (line[at]) {
    case '\\':
        return std::min(at + 2, n);
    case '\'': {
        const qsizetype close = line.indexOf('\'', at + 1);
        return close < 0 ? n : close + 1;
    }
    case '"': {
        qsizetype end = at + 1;
        while (end < n && line[end] != '"')
            end += line[end] == '\\' ? 2 : 1;
        return std::min(end + 1, n);
    }
    default:
        return at;
    }
}

} // namespace

QByteArray mapLine(const QByteArray &line, const FixedPaths &paths)
{
    QByteArray out;
    out.reserve(line.size());
    bool wordStart = true;
    qsizetype i = 0;
    while (i < line.size()) {
        qsizetype next = wordStart ? appendDrivePath(line, i, paths, out) : i;
        if (next == i) {
            next = quotedEnd(line, i);
            out += line.mid(i, next - i);
        }
        if (next > i) {
            i = next;
            wordStart = false;
        } else {
            out += line[i];
            wordStart = startsWord(line[i]);
            ++i;
        }
    }
    return out;
}

Request parseArguments(const QList<QByteArray> &arguments, const FixedPaths &paths)
{
    if (arguments.isEmpty())
        return {};
    const QByteArray &option = arguments.first();
    if (option.size() < 2 || option[0] != '/' || (option[1] != 'c' && option[1] != 'C'))
        return {};

    QList<QByteArray> words;
    if (option.size() > 2)
        words.append(option.mid(2));
    words.append(arguments.mid(1));

    const QByteArray dataFolder = QFile::encodeName(paths.dataDirectory()) + '/';
    QList<QByteArray> lineWords;
    for (const QByteArray &word : std::as_const(words)) {
        const qsizetype prefix = redirectionPrefix(word);
        const QByteArray rest = word.mid(prefix);
        QByteArray path = mapDrivePath(rest, paths);
        if (path.isEmpty() && rest.startsWith(dataFolder) && dataFolder.size() > 1)
            path = rest;
        lineWords.append(path.isEmpty() ? word : word.left(prefix) + shellQuote(path));
    }
    return {true, mapLine(lineWords.join(' '), paths)};
}

QString usage()
{
    return QStringLiteral("Runs a command line with /bin/sh. Drive paths such as c:\\parlo.txt, also after > or >>,\n"
                          "stand for files in Parlo's data folder.\n"
                          "\n"
                          "CMD /C command\n");
}

} // namespace CmdLine
