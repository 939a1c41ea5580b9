#include "CmdLine.h"

#include "FixedPaths.h"

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

QByteArray mapLine(const QByteArray &line, const FixedPaths &paths)
{
    QByteArray out;
    out.reserve(line.size());
    bool wordStart = true;
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (i < n) {
        const char c = line[i];
        if (wordStart && isDriveStart(line, i)) {
            qsizetype end = i;
            while (end < n && !endsPath(line[end]))
                ++end;
            const QByteArray mapped = mapDrivePath(line.mid(i, end - i), paths);
            if (!mapped.isEmpty()) {
                out += shellQuote(mapped);
                i = end;
                wordStart = false;
                continue;
            }
        }
        if (wordStart && c == '"' && isDriveStart(line, i + 1)) {
            const qsizetype close = line.indexOf('"', i + 1);
            const QByteArray inside = close < 0 ? QByteArray() : line.mid(i + 1, close - i - 1);
            const QByteArray mapped =
                inside.contains('$') || inside.contains('`') ? QByteArray() : mapDrivePath(inside, paths);
            if (!mapped.isEmpty()) {
                out += shellQuote(mapped);
                i = close + 1;
                wordStart = false;
                continue;
            }
        }

        if (c == '\\') {
            out += line.mid(i, 2);
            i += 2;
            wordStart = false;
        } else if (c == '\'') {
            const qsizetype close = line.indexOf('\'', i + 1);
            const qsizetype end = close < 0 ? n : close + 1;
            out += line.mid(i, end - i);
            i = end;
            wordStart = false;
        } else if (c == '"') {
            qsizetype end = i + 1;
            while (end < n && line[end] != '"')
                end += line[end] == '\\' ? 2 : 1;
            end = std::min(end + 1, n);
            out += line.mid(i, end - i);
            i = end;
            wordStart = false;
        } else {
            out += c;
            ++i;
            wordStart = startsWord(c);
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
