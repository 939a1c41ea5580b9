#pragma once

#include "platform/WhoisSettings.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

// What fetching a URL gave: its HTTP status and body, or why it failed, as a sentence.
struct Fetched
{
    int status = 0;
    QByteArray body;
    QString failure;
};

// Fetches one URL, giving up after a time of silence, after a time in all, and beyond a size no
// RDAP answer reaches.
// Deleting it abandons the request without calling done.
class Fetch final : public QObject
{
    Q_OBJECT
public:
    Fetch(QNetworkAccessManager &network, const QUrl &url, int silenceMs, int limitMs,
          std::function<void(const Fetched &)> done);
    ~Fetch() override;

private:
    void arrived();
    void progressed(qint64 received, qint64 total);
    void tooLarge();
    void ended();
    void silent();
    void tooLong();

    QPointer<QNetworkReply> m_reply;
    std::function<void(const Fetched &)> m_done;
    QTimer m_silence;
    QTimer m_limit;
    int m_silenceMs;
    int m_limitMs;
    QByteArray m_body;
    QString m_failure;
};

// One RDAP lookup of a domain name: the bootstrap file (from the cache folder while it is less
// than a day old, else fetched and kept there), the domain's service, and its record as text.
// Deleting it abandons the lookup without a word.
class RdapLookup final : public QObject
{
    Q_OBJECT
public:
    struct Outcome
    {
        QString source;  // the RDAP service asked, as the user reads it; empty before one is known
        QString text;    // the record as readable text
        QString failure; // why there is none, as a sentence
    };

    RdapLookup(QNetworkAccessManager &network, WhoisSettings settings, QString domain,
               std::function<void(const Outcome &)> done);
    ~RdapLookup() override;

    void start();

private:
    void fetch(const QUrl &url, void (RdapLookup::*fetched)(const Fetched &));
    void bootstrapFetched(const Fetched &fetched);
    void useBootstrap(const QByteArray &bootstrap);
    void recordFetched(const Fetched &fetched);
    QString cacheFile() const;
    QByteArray cachedBootstrap() const;
    void keep(const QByteArray &bootstrap) const;
    void finish(const Outcome &outcome);

    QNetworkAccessManager &m_network;
    WhoisSettings m_settings;
    QString m_domain;
    std::function<void(const Outcome &)> m_done;
    std::unique_ptr<Fetch> m_fetch;
    QString m_source;
};
