#include "WhoisQuery.h"

#include "Referrals.h"

namespace {

// Whois answers are some kilobytes; beyond this a server is not answering a question.
constexpr qint64 maximumAnswerBytes = 1024 * 1024;

QString seconds(int ms)
{
    return QString::number(ms / 1000.0);
}

} // namespace

WhoisQuery::WhoisQuery(WhoisSettings settings) : m_settings(std::move(settings))
{
    connect(&m_socket, &QTcpSocket::connected, this, &WhoisQuery::socketConnected);
    connect(&m_socket, &QTcpSocket::readyRead, this, &WhoisQuery::read);
    connect(&m_socket, &QTcpSocket::disconnected, this, &WhoisQuery::socketClosed);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &WhoisQuery::socketError);
    m_connectTimer.setSingleShot(true);
    m_answerTimer.setSingleShot(true);
    m_limitTimer.setSingleShot(true);
    connect(&m_connectTimer, &QTimer::timeout, this, &WhoisQuery::connectTimedOut);
    connect(&m_answerTimer, &QTimer::timeout, this, &WhoisQuery::answerTimedOut);
    connect(&m_limitTimer, &QTimer::timeout, this, &WhoisQuery::answerTooLong);
}

WhoisQuery::~WhoisQuery()
{
    // The socket, a member, goes after this object has stopped being one.
    m_socket.disconnect(this);
    stop();
}

void WhoisQuery::start(const WhoisServer &server, const QString &question)
{
    stop();
    m_question = question;
    m_asked.clear();
    m_rdapAsked = false;
    ask(server);
}

void WhoisQuery::follow(const Offer &offer)
{
    if (isRunning())
        return;
    if (offer.server && !asked(*offer.server))
        ask(*offer.server);
    else if (!offer.server && !m_rdapAsked)
        askRdap();
}

void WhoisQuery::cancel()
{
    stop();
}

// Whatever is under way ends: no timer runs, no connection is open, no lookup goes on.
void WhoisQuery::stop()
{
    m_stage = Stage::Idle;
    m_connectTimer.stop();
    m_answerTimer.stop();
    m_limitTimer.stop();
    m_socket.abort();
    m_rdap.reset();
}

quint16 WhoisQuery::portOf(const WhoisServer &server) const
{
    return server.port == 0 ? m_settings.port : server.port;
}

bool WhoisQuery::asked(const WhoisServer &server) const
{
    return m_asked.contains(WhoisServer{server.host.toLower(), portOf(server)});
}

void WhoisQuery::ask(const WhoisServer &server)
{
    m_server = server;
    m_asked.append({server.host.toLower(), portOf(server)});
    m_answer = AnswerText();
    m_stage = Stage::Connecting;
    Q_EMIT asking(displayName(server));
    m_connectTimer.start(m_settings.connectTimeoutMs);
    // A new connection from a port the system chooses; the name is looked up without blocking.
    m_socket.connectToHost(server.host, portOf(server));
}

void WhoisQuery::socketConnected()
{
    if (m_stage != Stage::Connecting)
        return;
    m_connectTimer.stop();
    m_stage = Stage::Answering;
    m_socket.write(whoisQuestion(m_question));
    m_answerTimer.start(m_settings.answerTimeoutMs);
    // A server that drips its answer resets the silence timer for ever; this one it does not.
    m_limitTimer.start(m_settings.answerLimitMs);
}

void WhoisQuery::read()
{
    if (m_stage != Stage::Answering || m_socket.bytesAvailable() <= 0)
        return;
    m_answerTimer.start(m_settings.answerTimeoutMs);
    const QByteArray piece = m_socket.read(maximumAnswerBytes - m_answer.byteCount());
    if (!piece.isEmpty())
        Q_EMIT partReceived(m_answer.add(piece));
    if (m_stage == Stage::Answering && m_socket.bytesAvailable() > 0)
        endAnswer(
            QStringLiteral("%1 sent more than 1 MB; the rest of its answer was not read.").arg(displayName(m_server)));
}

void WhoisQuery::socketClosed()
{
    read();
    if (m_stage == Stage::Answering)
        endAnswer({});
}

void WhoisQuery::socketError(QAbstractSocket::SocketError error)
{
    const QString server = displayName(m_server);
    if (m_stage == Stage::Connecting) {
        endAnswer(QStringLiteral("Could not connect to %1: %2").arg(server, m_socket.errorString()));
    } else if (m_stage == Stage::Answering && error != QAbstractSocket::RemoteHostClosedError) {
        read();
        if (m_stage == Stage::Answering)
            endAnswer(QStringLiteral("The connection to %1 broke: %2.").arg(server, m_socket.errorString()));
    }
}

void WhoisQuery::connectTimedOut()
{
    if (m_stage == Stage::Connecting)
        endAnswer(QStringLiteral("Could not connect to %1: no connection within %2 seconds.")
                      .arg(displayName(m_server), seconds(m_settings.connectTimeoutMs)));
}

void WhoisQuery::answerTimedOut()
{
    if (m_stage != Stage::Answering)
        return;
    const QString server = displayName(m_server);
    const QString time = seconds(m_settings.answerTimeoutMs);
    endAnswer(
        m_answer.byteCount() == 0
            ? QStringLiteral("%1 did not answer within %2 seconds.").arg(server, time)
            : QStringLiteral("%1 sent nothing more for %2 seconds; the answer may be incomplete.").arg(server, time));
}

void WhoisQuery::answerTooLong()
{
    if (m_stage == Stage::Answering)
        endAnswer(QStringLiteral("%1 was still answering after %2 seconds; the rest of its answer was not read.")
                      .arg(displayName(m_server), seconds(m_settings.answerLimitMs)));
}

// Ends the answer of the server asked now, closing its connection, and reports why it ended
// early (or that it never began) and what may be asked next.
void WhoisQuery::endAnswer(const QString &notice)
{
    stop();
    if (const AnswerText::Change rest = m_answer.finish(); rest.replace || !rest.text.isEmpty())
        Q_EMIT partReceived(rest);
    const bool answered = m_answer.byteCount() > 0;
    QString why = notice;
    if (why.isEmpty() && !answered)
        why = QStringLiteral("%1 closed the connection without answering.").arg(displayName(m_server));
    Q_EMIT finished({why, offersAfter(m_answer.text(), answered), {}});
}

QList<Offer> WhoisQuery::offersAfter(const QString &answer, bool answered) const
{
    QList<Offer> offers;
    const QList<WhoisServer> servers = referrals(answer);
    for (const WhoisServer &server : servers) {
        if (!asked(server))
            offers.append(Offer{server});
    }
    if ((!answered || answersRdapOnly(answer)) && !m_rdapAsked && !rdapDomain(m_question).isEmpty())
        offers.append(Offer{});
    return offers;
}

void WhoisQuery::askRdap()
{
    m_rdapAsked = true;
    m_stage = Stage::Rdap;
    Q_EMIT asking(QStringLiteral("RDAP"));
    m_rdap = std::make_unique<RdapLookup>(m_network, m_settings, rdapDomain(m_question),
                                          [this](const RdapLookup::Outcome &outcome) { rdapEnded(outcome); });
    m_rdap->start();
}

void WhoisQuery::rdapEnded(const RdapLookup::Outcome &outcome)
{
    if (m_stage != Stage::Rdap)
        return;
    // The lookup that calls back goes once it has returned.
    m_rdap.release()->deleteLater();
    stop();
    if (!outcome.text.isEmpty())
        Q_EMIT partReceived({true, outcome.text});
    Q_EMIT finished(
        {outcome.failure, {}, outcome.source.isEmpty() ? QString() : QStringLiteral("RDAP at ") + outcome.source});
}
