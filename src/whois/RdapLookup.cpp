#include "RdapLookup.h"

#include "Rdap.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSaveFile>

namespace {

// RDAP answers and the bootstrap file are some kilobytes; more than this is no answer.
constexpr qint64 maximumBytes = 4 * 1024 * 1024;

QString seconds(int ms)
{
    return QString::number(ms / 1000.0);
}

} // namespace

Fetch::Fetch(QNetworkAccessManager &network, const QUrl &url, int silenceMs, int limitMs,
             std::function<void(const Fetched &)> done)
    : m_done(std::move(done)), m_silenceMs(silenceMs), m_limitMs(limitMs)
{
    QNetworkRequest request(url);
    request.setRawHeader("Accept", "application/rdap+json, application/json");
    m_reply = network.get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &Fetch::arrived);
    // Progress comes as bytes arrive, also while a reply of known length fills a buffer of its
    // own and holds readyRead back; the announced length alone can tell that it is too large.
    connect(m_reply, &QNetworkReply::downloadProgress, this, &Fetch::progressed);
    connect(m_reply, &QNetworkReply::finished, this, &Fetch::ended);
    m_silence.setSingleShot(true);
    connect(&m_silence, &QTimer::timeout, this, &Fetch::silent);
    m_silence.start(silenceMs);
    m_limit.setSingleShot(true);
    connect(&m_limit, &QTimer::timeout, this, &Fetch::tooLong);
    m_limit.start(limitMs);
}

Fetch::~Fetch()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
}

// The reply may go on signalling in the same turn after an abort has ended it.
void Fetch::arrived()
{
    if (!m_reply)
        return;
    m_silence.start(m_silenceMs);
    m_body += m_reply->readAll();
    if (m_body.size() > maximumBytes)
        tooLarge();
}

void Fetch::progressed(qint64 received, qint64 total)
{
    if (!m_reply)
        return;
    m_silence.start(m_silenceMs);
    if (received > maximumBytes || total > maximumBytes)
        tooLarge();
}

void Fetch::tooLarge()
{
    m_failure = QStringLiteral("%1 sent more than 4 MB; the rest was not read.").arg(serviceName(m_reply->url()));
    m_reply->abort();
}

void Fetch::silent()
{
    m_failure =
        QStringLiteral("%1 did not answer within %2 seconds.").arg(serviceName(m_reply->url()), seconds(m_silenceMs));
    m_reply->abort();
}

void Fetch::tooLong()
{
    m_failure = QStringLiteral("%1 was still answering after %2 seconds; the rest was not read.")
                    .arg(serviceName(m_reply->url()), seconds(m_limitMs));
    m_reply->abort();
}

void Fetch::ended()
{
    m_silence.stop();
    m_limit.stop();
    Fetched fetched;
    fetched.status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (m_failure.isEmpty())
        m_body += m_reply->readAll();
    fetched.body = m_body;
    fetched.failure = m_failure;
    const QNetworkReply::NetworkError error = m_reply->error();
    if (fetched.failure.isEmpty() && fetched.status == 0 && error != QNetworkReply::NoError)
        fetched.failure =
            QStringLiteral("Could not connect to %1: %2").arg(serviceName(m_reply->url()), m_reply->errorString());
    // Errors below 100 are the connection's: an answer cut short is no answer, whatever its status.
    else if (fetched.failure.isEmpty() && error > QNetworkReply::NoError && error < 100)
        fetched.failure =
            QStringLiteral("The connection to %1 broke: %2.").arg(serviceName(m_reply->url()), m_reply->errorString());
    m_reply->deleteLater();
    m_reply = nullptr;
    m_done(fetched); // may delete this
}

RdapLookup::RdapLookup(QNetworkAccessManager &network, WhoisSettings settings, QString domain,
                       std::function<void(const Outcome &)> done)
    : m_network(network), m_settings(std::move(settings)), m_domain(std::move(domain)), m_done(std::move(done))
{
}

RdapLookup::~RdapLookup() = default;

QString RdapLookup::cacheFile() const
{
    return m_settings.cacheDirectory.isEmpty() ? QString()
                                               : m_settings.cacheDirectory + QStringLiteral("/rdap-dns.json");
}

void RdapLookup::start()
{
    const QFileInfo cached(cacheFile());
    if (cached.exists() && cached.lastModified().secsTo(QDateTime::currentDateTime()) < 24 * 3600) {
        if (const QByteArray bootstrap = cachedBootstrap(); !bootstrap.isEmpty())
            return useBootstrap(bootstrap);
    }
    if (m_settings.rdapBootstrap.isEmpty())
        return finish({{}, {}, QStringLiteral("No RDAP bootstrap file is set up.")});
    fetch(m_settings.rdapBootstrap, &RdapLookup::bootstrapFetched);
}

void RdapLookup::fetch(const QUrl &url, void (RdapLookup::*fetched)(const Fetched &))
{
    // The fetch that calls back is still running: it goes once it has returned.
    if (m_fetch)
        m_fetch.release()->deleteLater();
    m_fetch = std::make_unique<Fetch>(m_network, url, m_settings.answerTimeoutMs, m_settings.answerLimitMs,
                                      [this, fetched](const Fetched &result) { (this->*fetched)(result); });
}

QByteArray RdapLookup::cachedBootstrap() const
{
    QFile file(cacheFile());
    if (cacheFile().isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.read(maximumBytes);
    return isRdapBootstrap(bytes) ? bytes : QByteArray();
}

void RdapLookup::bootstrapFetched(const Fetched &fetched)
{
    const QString source = serviceName(m_settings.rdapBootstrap);
    QString failure = fetched.failure;
    if (failure.isEmpty() && (fetched.status < 200 || fetched.status >= 300))
        failure = QStringLiteral("%1 answered with HTTP status %2.").arg(source).arg(fetched.status);
    if (failure.isEmpty() && !isRdapBootstrap(fetched.body))
        failure = QStringLiteral("%1 sent no bootstrap file.").arg(source);
    if (failure.isEmpty()) {
        keep(fetched.body);
        return useBootstrap(fetched.body);
    }
    // A file older than a day still serves when no newer one can be had.
    if (const QByteArray bootstrap = cachedBootstrap(); !bootstrap.isEmpty())
        return useBootstrap(bootstrap);
    finish({{}, {}, QStringLiteral("The RDAP bootstrap file could not be fetched: ") + failure});
}

void RdapLookup::keep(const QByteArray &bootstrap) const
{
    // Only a saving of time: a file that cannot be kept is fetched again next time.
    if (cacheFile().isEmpty() || !QDir().mkpath(m_settings.cacheDirectory))
        return;
    QSaveFile file(cacheFile());
    if (file.open(QIODevice::WriteOnly) && file.write(bootstrap) == bootstrap.size())
        file.commit();
}

void RdapLookup::useBootstrap(const QByteArray &bootstrap)
{
    const RdapService service = rdapServiceFor(bootstrap, m_domain);
    if (!service.failure.isEmpty())
        return finish({{}, {}, service.failure});
    const QUrl url = rdapDomainUrl(service.base, m_domain);
    m_source = serviceName(url);
    fetch(url, &RdapLookup::recordFetched);
}

void RdapLookup::recordFetched(const Fetched &fetched)
{
    if (!fetched.failure.isEmpty())
        return finish({m_source, {}, fetched.failure});
    if (fetched.status == 404)
        return finish({m_source, {}, QStringLiteral("%1 has no record of %2 (HTTP 404).").arg(m_source, m_domain)});
    if (fetched.status < 200 || fetched.status >= 300) {
        const QString why = rdapErrorText(fetched.body);
        return finish({m_source,
                       {},
                       QStringLiteral("%1 answered with HTTP status %2.").arg(m_source).arg(fetched.status) +
                           (why.isEmpty() ? QString() : u' ' + why)});
    }
    const RdapText record = rdapDomainText(fetched.body);
    if (!record.failure.isEmpty())
        return finish({m_source, {}, QStringLiteral("%1 sent no readable record: %2").arg(m_source, record.failure)});
    finish({m_source, record.text, {}});
}

void RdapLookup::finish(const Outcome &outcome)
{
    m_done(outcome);
}
