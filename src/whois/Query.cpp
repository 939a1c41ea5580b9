#include "Query.h"

#include <QRegularExpression>
#include <QUrl>

namespace {

bool isAscii(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

// The text between the spaces at its ends, and where it begins.
QStringView core(const QString &text, qsizetype *start = nullptr)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ')
        ++first;
    while (last > first && text[last - 1] == u' ')
        --last;
    if (start)
        *start = first;
    return QStringView(text).sliced(first, last - first);
}

} // namespace

QString serverName(const QString &text)
{
    return core(text).toString();
}

QByteArray whoisQuestion(const QString &text)
{
    const QByteArray end("\r\n");
    if (isAscii(text))
        return text.toLatin1() + end;
    qsizetype start = 0;
    const QStringView name = core(text, &start);
    const QByteArray ace = name.contains(u'.') ? QUrl::toAce(name.toString()) : QByteArray();
    if (ace.isEmpty())
        return text.toUtf8() + end;
    return text.left(start).toLatin1() + ace + text.sliced(start + name.size()).toLatin1() + end;
}

QString questionRefusal(const QString &text)
{
    if (text.contains(u'\r') || text.contains(u'\n'))
        return QStringLiteral("The domain name holds a line break, which would send a second question; nothing "
                              "was sent.");
    if (text.contains(QChar(0)))
        return QStringLiteral("The domain name holds a NUL character, which a whois question cannot carry; "
                              "nothing was sent.");
    return {};
}

QString rdapDomain(const QString &text)
{
    QString name = core(text).toString();
    if (!isAscii(name))
        name = QString::fromLatin1(QUrl::toAce(name));
    name = name.toLower();
    if (name.endsWith(u'.'))
        name.chop(1);
    static const QRegularExpression domain(
        QStringLiteral(R"(\A([a-z0-9]([a-z0-9-]{0,61}[a-z0-9])?\.)+[a-z0-9]([a-z0-9-]{0,61}[a-z0-9])?\z)"));
    // A top-level domain is never all digits: 192.0.2.1 is an address.
    static const QRegularExpression letter(QStringLiteral("[a-z]"));
    const QString topLevel = name.section(u'.', -1);
    return domain.match(name).hasMatch() && letter.match(topLevel).hasMatch() ? name : QString();
}

QString displayName(const WhoisServer &server)
{
    return server.port == 0 ? server.host : server.host + u':' + QString::number(server.port);
}
