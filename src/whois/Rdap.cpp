#include "Rdap.h"

#include "AnswerText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace {

QStringList strings(const QJsonValue &value)
{
    QStringList found;
    const QJsonArray array = value.toArray();
    for (const QJsonValue &item : array) {
        if (item.isString())
            found << displayable(item.toString());
    }
    return found;
}

// The first base URL of a service, https before http.
QUrl baseOf(const QJsonArray &urls)
{
    for (const char16_t *scheme : {u"https", u"http"}) {
        for (const QJsonValue &value : urls) {
            const QUrl url(value.toString());
            if (url.isValid() && url.scheme() == QStringView(scheme) && !url.host().isEmpty())
                return url;
        }
    }
    return {};
}

// Line "Label: text" when text is not empty.
void addLine(QString &out, const QString &label, const QString &text)
{
    if (!text.isEmpty())
        out += label + QStringLiteral(": ") + displayable(text) + u'\n';
}

// A vCard's full name, else its organisation.
QString vcardName(const QJsonValue &vcardArray)
{
    QString organisation;
    const QJsonArray properties = vcardArray.toArray().at(1).toArray();
    for (const QJsonValue &property : properties) {
        const QJsonArray fields = property.toArray();
        const QString name = fields.at(0).toString();
        const QJsonValue value = fields.at(3);
        const QString text = value.isArray() ? strings(value).join(u' ') : value.toString();
        if (name == u"fn" && !text.trimmed().isEmpty())
            return text;
        if (name == u"org" && organisation.isEmpty())
            organisation = text;
    }
    return organisation;
}

// Each entity on a line of its own, its roles, name and public identifiers; the entities it
// holds below it, indented, four levels deep at most.
void addEntities(QString &out, const QJsonValue &entities, int depth)
{
    const QJsonArray array = entities.toArray();
    for (const QJsonValue &value : array) {
        const QJsonObject entity = value.toObject();
        QString name = vcardName(entity.value(u"vcardArray"));
        if (name.trimmed().isEmpty())
            name = entity.value(u"handle").toString();
        QStringList ids;
        const QJsonArray publicIds = entity.value(u"publicIds").toArray();
        for (const QJsonValue &id : publicIds)
            ids << id[u"type"].toString() + u' ' + id[u"identifier"].toString();
        const QString roles = strings(entity.value(u"roles")).join(QStringLiteral(", "));
        out += QString(2 * depth, u' ') + (roles.isEmpty() ? QStringLiteral("entity") : roles) + QStringLiteral(": ") +
               displayable(name) +
               (ids.isEmpty() ? QString() : QStringLiteral(" (") + displayable(ids.join(QStringLiteral(", "))) + u')') +
               u'\n';
        if (depth < 4)
            addEntities(out, entity.value(u"entities"), depth + 1);
    }
}

void addEvents(QString &out, const QJsonValue &events)
{
    const QJsonArray array = events.toArray();
    if (array.isEmpty())
        return;
    out += QStringLiteral("Events:\n");
    for (const QJsonValue &event : array)
        out += QStringLiteral("  ") + displayable(event[u"eventAction"].toString()) + QStringLiteral(": ") +
               displayable(event[u"eventDate"].toString()) + u'\n';
}

void addNameServers(QString &out, const QJsonValue &nameservers)
{
    const QJsonArray array = nameservers.toArray();
    if (array.isEmpty())
        return;
    out += QStringLiteral("Name Servers:\n");
    for (const QJsonValue &server : array)
        out += QStringLiteral("  ") + displayable(server[u"ldhName"].toString()) + u'\n';
}

} // namespace

bool isRdapBootstrap(const QByteArray &bytes)
{
    return !QJsonDocument::fromJson(bytes).object().value(u"services").toArray().isEmpty();
}

RdapService rdapServiceFor(const QByteArray &bootstrap, const QString &domain)
{
    const QJsonArray services = QJsonDocument::fromJson(bootstrap).object().value(u"services").toArray();
    if (services.isEmpty())
        return {{}, QStringLiteral("The RDAP bootstrap file names no services.")};
    // The longest listed suffix of the name's labels wins.
    QUrl best;
    qsizetype bestLength = 0;
    for (const QJsonValue &service : services) {
        const QStringList entries = strings(service[0]);
        for (const QString &entry : entries) {
            const QString suffix = entry.toLower();
            const bool matches = domain == suffix || domain.endsWith(u'.' + suffix);
            const QUrl base = matches && suffix.size() > bestLength ? baseOf(service[1].toArray()) : QUrl();
            if (!base.isEmpty()) {
                best = base;
                bestLength = suffix.size();
            }
        }
    }
    if (best.isEmpty())
        return {{}, QStringLiteral("No RDAP service is known for .%1.").arg(domain.section(u'.', -1))};
    return {best, {}};
}

QUrl rdapDomainUrl(const QUrl &base, const QString &domain)
{
    QString text = base.toString();
    if (!text.endsWith(u'/'))
        text += u'/';
    return QUrl(text + QStringLiteral("domain/") + domain);
}

RdapText rdapDomainText(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return {{},
                QStringLiteral("the answer is not JSON (%1 at byte %2).").arg(error.errorString()).arg(error.offset)};
    if (!document.isObject())
        return {{}, QStringLiteral("the answer is no JSON object.")};
    const QJsonObject record = document.object();
    QString out;
    const QString ldh = record.value(u"ldhName").toString();
    const QString unicode = record.value(u"unicodeName").toString();
    addLine(out, QStringLiteral("Domain Name"),
            unicode.isEmpty() || unicode.compare(ldh, Qt::CaseInsensitive) == 0 ? ldh
                                                                                : ldh + u' ' + u'(' + unicode + u')');
    addLine(out, QStringLiteral("Handle"), record.value(u"handle").toString());
    addLine(out, QStringLiteral("Status"), strings(record.value(u"status")).join(QStringLiteral(", ")));
    addEvents(out, record.value(u"events"));
    addNameServers(out, record.value(u"nameservers"));
    const QJsonValue signedDelegation = record.value(u"secureDNS")[u"delegationSigned"];
    if (signedDelegation.isBool())
        addLine(out, QStringLiteral("DNSSEC"),
                signedDelegation.toBool() ? QStringLiteral("signed delegation") : QStringLiteral("unsigned"));
    if (!record.value(u"entities").toArray().isEmpty()) {
        out += QStringLiteral("Entities:\n");
        addEntities(out, record.value(u"entities"), 1);
    }
    if (out.isEmpty())
        return {{}, QStringLiteral("the answer holds no domain record.")};
    return {out, {}};
}

QString rdapErrorText(const QByteArray &json)
{
    const QJsonObject answer = QJsonDocument::fromJson(json).object();
    QStringList parts;
    if (const QString title = answer.value(u"title").toString(); !title.isEmpty())
        parts << title;
    parts << strings(answer.value(u"description"));
    return displayable(parts.join(u' '));
}

QString serviceName(const QUrl &url)
{
    return url.port() < 0 ? url.host() : url.host() + u':' + QString::number(url.port());
}
