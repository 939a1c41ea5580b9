#include "SystemFacts.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <sys/utsname.h>

VersionPair kernelVersion(const QString &release)
{
    static const QRegularExpression numbers(QStringLiteral("^(\\d{1,9})\\.(\\d{1,9})"));
    const QRegularExpressionMatch match = numbers.match(release);
    if (!match.hasMatch())
        return {};
    return {match.captured(1).toInt(), match.captured(2).toInt(), false};
}

QString kernelRelease()
{
    utsname name{};
    if (uname(&name) != 0)
        return {};
    return QString::fromLocal8Bit(name.release);
}

MemoryStatus meminfoMemory(const QString &text)
{
    std::optional<quint64> total, available, free;
    const QStringList lines = text.split(u'\n');
    for (const QString &line : lines) {
        const QStringList words = line.simplified().split(u' ');
        if (words.size() < 2)
            continue;
        bool ok = false;
        const quint64 number = words[1].toULongLong(&ok);
        if (!ok)
            continue;
        // The kernel writes kB for 1024 bytes; a line without a unit counts bytes.
        const quint64 bytes = words.value(2) == u"kB" ? number * 1024 : number;
        if (words[0] == u"MemTotal:")
            total = bytes;
        else if (words[0] == u"MemAvailable:")
            available = bytes;
        else if (words[0] == u"MemFree:")
            free = bytes;
    }
    return {total.value_or(0), available.value_or(free.value_or(0))};
}

namespace {

// A value as a shell would read it: quotes removed, backslash escapes resolved.
QString shellValue(const QString &value)
{
    QString result;
    QChar quote;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (quote.isNull() && (c == u'"' || c == u'\'')) {
            quote = c;
        } else if (!quote.isNull() && c == quote) {
            quote = QChar();
        } else if (c == u'\\' && quote != u'\'' && i + 1 < value.size() &&
                   (quote.isNull() || QStringLiteral("$\"\\`").contains(value[i + 1]))) {
            result += value[++i];
        } else {
            result += c;
        }
    }
    return result;
}

// Samba's lines: those ending in a backslash go on on the next line.
QStringList logicalLines(const QString &text)
{
    QStringList lines;
    QString current;
    const QStringList physical = text.split(u'\n');
    for (QString line : physical) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.endsWith(u'\\')) {
            current += line.chopped(1);
            continue;
        }
        lines << current + line;
        current.clear();
    }
    return lines;
}

struct SambaReading
{
    bool inGlobal = true;
    std::optional<QString> workgroup;
};

// Samba's own limit on nested includes, which also ends a file that includes itself.
constexpr int maximumIncludeDepth = 100;

void readSambaFile(const QString &path, int depth, SambaReading &reading)
{
    QFile file(path);
    if (depth > maximumIncludeDepth || !file.open(QIODevice::ReadOnly))
        return;
    const QStringList lines = logicalLines(QString::fromUtf8(file.readAll()));
    for (const QString &line : lines) {
        const QString text = line.trimmed();
        if (text.isEmpty() || text.startsWith(u'#') || text.startsWith(u';'))
            continue;
        if (text.startsWith(u'[')) {
            const QString section = text.mid(1, text.indexOf(u']') - 1).trimmed().toLower();
            reading.inGlobal = section == u"global" || section == u"globals";
            continue;
        }
        const qsizetype equals = text.indexOf(u'=');
        if (equals < 0)
            continue;
        // Samba ignores case and blanks in parameter names: "work group" is workgroup.
        const QString name = text.left(equals).toLower().remove(QRegularExpression(QStringLiteral("\\s")));
        const QString value = text.mid(equals + 1).trimmed();
        if (name == u"include")
            readSambaFile(value, depth + 1, reading);
        else if (name == u"workgroup" && reading.inGlobal)
            reading.workgroup = value;
    }
}

} // namespace

QString osReleaseName(const QString &text)
{
    QString pretty, name;
    const QStringList lines = text.split(u'\n');
    for (const QString &line : lines) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(u"PRETTY_NAME="))
            pretty = shellValue(trimmed.mid(12));
        else if (trimmed.startsWith(u"NAME="))
            name = shellValue(trimmed.mid(5));
    }
    return pretty.isEmpty() ? name : pretty;
}

QString sambaWorkgroup(const QString &configFile)
{
    if (!QFileInfo(configFile).isFile())
        return {};
    SambaReading reading;
    readSambaFile(configFile, 0, reading);
    return reading.workgroup.value_or(QStringLiteral("WORKGROUP")).toUpper();
}
