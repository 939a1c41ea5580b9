#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

// Reading RDAP: which service answers for a domain, and its answer as text a person reads.

// The base URL that IANA's bootstrap file (RFC 9224) names for domain, by the longest suffix
// of labels it lists, https before http; or why there is none.
struct RdapService
{
    QUrl base;
    QString failure;
};
RdapService rdapServiceFor(const QByteArray &bootstrap, const QString &domain);
// Whether bytes are a bootstrap file: a JSON object with a list of services.
bool isRdapBootstrap(const QByteArray &bytes);

// BASE/domain/NAME.
QUrl rdapDomainUrl(const QUrl &base, const QString &domain);

// A domain record (RFC 9083) as readable text: its names, status, events, name servers, DNSSEC
// and entities with their vCard names; or, when the bytes hold none, why not (a clause: "the
// answer is not JSON (...).").
struct RdapText
{
    QString text;
    QString failure;
};
RdapText rdapDomainText(const QByteArray &json);

// The title and description of an RDAP error answer, one line; empty when it holds none.
QString rdapErrorText(const QByteArray &json);

// A URL's host, and its port when it names one: how a web service is named to the user.
QString serviceName(const QUrl &url);
