#include "Referrals.h"

#include <QRegularExpression>
#include <QSet>

#include <optional>

namespace {

// A host name or IPv4 address, as a referral names it.
bool isHostName(QStringView host)
{
    static const QRegularExpression name(QStringLiteral(
        R"(\A[A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?(\.[A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?)*\z)"));
    return host.size() <= 253 && name.match(host).hasMatch();
}

// host, host:port, whois://host[:port][/], each with an optional final dot on the host.
std::optional<WhoisServer> serverOf(QStringView value)
{
    const qsizetype scheme = value.indexOf(u"://");
    if (scheme >= 0) {
        if (value.first(scheme).compare(u"whois", Qt::CaseInsensitive) != 0)
            return std::nullopt;
        value = value.sliced(scheme + 3);
        if (value.endsWith(u'/'))
            value.chop(1);
    }
    WhoisServer server;
    const qsizetype colon = value.indexOf(u':');
    if (colon >= 0) {
        bool number = false;
        const uint port = value.sliced(colon + 1).toUInt(&number);
        if (!number || port == 0 || port > 65535)
            return std::nullopt;
        server.port = quint16(port);
        value = value.first(colon);
    }
    if (value.endsWith(u'.'))
        value.chop(1);
    if (!isHostName(value))
        return std::nullopt;
    server.host = value.toString().toLower();
    return server;
}

enum class Key
{
    None,
    Plain, // refer:, whois:, Registrar WHOIS Server:
    Arin,  // ReferralServer:, of which only the last counts
};

Key keyOf(QStringView key)
{
    key = key.trimmed();
    for (const char16_t *plain : {u"refer", u"whois", u"Registrar WHOIS Server"}) {
        if (key.compare(QStringView(plain), Qt::CaseInsensitive) == 0)
            return Key::Plain;
    }
    return key.compare(u"ReferralServer", Qt::CaseInsensitive) == 0 ? Key::Arin : Key::None;
}

bool addsNew(QSet<QString> &seen, const QString &key)
{
    const qsizetype before = seen.size();
    seen.insert(key);
    return seen.size() != before;
}

} // namespace

QList<WhoisServer> referrals(QStringView answer)
{
    struct Named
    {
        WhoisServer server;
        bool arin = false;
    };
    QList<Named> named;
    qsizetype lastArin = -1;
    for (QStringView line : answer.tokenize(u'\n')) {
        const qsizetype colon = line.indexOf(u':');
        const Key key = colon > 0 ? keyOf(line.first(colon)) : Key::None;
        if (key == Key::None)
            continue;
        if (std::optional<WhoisServer> server = serverOf(line.sliced(colon + 1).trimmed())) {
            if (key == Key::Arin)
                lastArin = named.size();
            named.append({std::move(*server), key == Key::Arin});
        }
    }
    // Each server once, where it first comes; of ARIN's only the last. A set keeps this linear
    // for answers that name thousands of servers.
    QList<WhoisServer> found;
    QSet<QString> seen;
    for (qsizetype i = 0; i < named.size(); ++i) {
        const WhoisServer &server = named[i].server;
        if ((named[i].arin && i != lastArin) || !addsNew(seen, server.host + u':' + QString::number(server.port)))
            continue;
        found.append(server);
    }
    return found;
}

bool answersRdapOnly(QStringView answer)
{
    static const QRegularExpression rdapOnly(
        QStringLiteral(R"(\bRDAP\b.*\b(only|no longer|discontinued|retired|sunset|not available|unavailable)\b|)"
                       R"(\b(only|no longer|discontinued|retired|sunset|not available|unavailable)\b.*\bRDAP\b)"),
        QRegularExpression::CaseInsensitiveOption);
    return rdapOnly.match(answer).hasMatch();
}
