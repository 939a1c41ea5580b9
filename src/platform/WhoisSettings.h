#pragma once

#include <QString>
#include <QUrl>
#include <QtGlobal>

// Where the whois window asks and how long it waits. The program always uses the values of
// LinuxFacts (port 43, IANA's bootstrap file, 10 s, 30 s and 60 s); tests point them at servers of
// their own and shorten the waits.
struct WhoisSettings
{
    quint16 port = 43;            // of every whois server not named with a port of its own
    int connectTimeoutMs = 10000; // for looking a server's name up and connecting to it
    int answerTimeoutMs = 30000;  // of silence, before the first answer byte and between pieces
    int answerLimitMs = 60000;    // for a whole answer, however steadily its pieces come
    QUrl rdapBootstrap;           // the registry's file naming each top-level domain's RDAP service
    QString cacheDirectory;       // where the bootstrap file is kept for a day; empty keeps none
};

// The whois settings of the program: port 43, IANA's bootstrap file, kept in the cache folder.
WhoisSettings productWhoisSettings(const QString &cacheDirectory);
