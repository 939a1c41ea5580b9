#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>

// The server box's text without the spaces (spaces only) at its ends.
QString serverName(const QString &text);

// The bytes that ask a whois server about text, CR LF included. ASCII text goes exactly as
// typed, blanks and all. A domain name holding other characters goes in its ACE form
// (bücher.example as xn--bcher-kva.example), with the blanks around it kept; any other text
// holding them goes in UTF-8.
QByteArray whoisQuestion(const QString &text);

// Why text cannot be asked as it stands, as a sentence; empty when it can. A line end or a NUL
// would end the question early and send what follows as a second one.
QString questionRefusal(const QString &text);

// The domain name an RDAP lookup asks for, in lower-case ACE form without a final dot; empty
// when text (blanks at its ends aside) is no domain name of two labels or more.
QString rdapDomain(const QString &text);

// A whois server and the port it answers on; port 0 is the usual whois port.
struct WhoisServer
{
    QString host;
    quint16 port = 0;

    friend bool operator==(const WhoisServer &, const WhoisServer &) = default;
};

// How a server is named to the user: its host, and its port where it has one of its own.
QString displayName(const WhoisServer &server);

// What may be asked after an answer: a whois server it names, or RDAP.
struct Offer
{
    std::optional<WhoisServer> server; // none: ask RDAP
};
