#pragma once

#include "AnswerText.h"
#include "Query.h"
#include "RdapLookup.h"
#include "platform/WhoisSettings.h"

#include <QAbstractSocket>
#include <QList>
#include <QNetworkAccessManager>
#include <QObject>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

// A question about one name and the servers asked after it: asks a whois server over TCP, or
// RDAP, one at a time, within the time limits and the size cap of the settings, and reports what
// comes by signals. It offers each server an answer names, and RDAP, once in a chain. Deleting it
// or cancelling ends what is under way without a signal.
class WhoisQuery final : public QObject
{
    Q_OBJECT
public:
    // How one server's answer ended.
    struct Outcome
    {
        QString notice;      // why it ended early or never began, as a sentence; empty when it came whole
        QList<Offer> offers; // what the answer suggests asking next that this chain has not asked
        QString source;      // where it came from, when that is known better than when it began
    };

    explicit WhoisQuery(WhoisSettings settings);
    ~WhoisQuery() override;

    // A new chain: asks server about question (which questionRefusal allows), ending what was under way.
    void start(const WhoisServer &server, const QString &question);
    // Asks what an offer of this chain names; nothing while an answer comes, or when it was asked.
    void follow(const Offer &offer);
    // Ends what is under way without a signal.
    void cancel();
    // Whether an answer is under way.
    bool isRunning() const { return m_stage != Stage::Idle; }

Q_SIGNALS:
    // A server (named as the user reads it) or "RDAP" is asked from now on.
    void asking(const QString &source);
    // More of the answer: text to append, or the whole text so far.
    void partReceived(const AnswerText::Change &change);
    // The answer has ended; nothing is under way any more.
    void finished(const WhoisQuery::Outcome &outcome);

private:
    enum class Stage
    {
        Idle,
        Connecting,
        Answering,
        Rdap
    };

    void ask(const WhoisServer &server);
    void askRdap();
    quint16 portOf(const WhoisServer &server) const;
    bool asked(const WhoisServer &server) const;
    void socketConnected();
    void read();
    void socketClosed();
    void socketError(QAbstractSocket::SocketError error);
    void connectTimedOut();
    void answerTimedOut();
    void answerTooLong();
    void stop();
    void endAnswer(const QString &notice);
    QList<Offer> offersAfter(const QString &answer, bool answered) const;
    void rdapEnded(const RdapLookup::Outcome &outcome);

    const WhoisSettings m_settings;
    QTcpSocket m_socket;
    QTimer m_connectTimer;
    QTimer m_answerTimer; // of silence
    QTimer m_limitTimer;  // for the whole answer
    QNetworkAccessManager m_network;
    std::unique_ptr<RdapLookup> m_rdap;
    Stage m_stage = Stage::Idle;
    AnswerText m_answer;        // of the server asked now
    WhoisServer m_server;       // the server asked now
    QString m_question;         // of this chain
    QList<WhoisServer> m_asked; // in this chain, host in lower case, with its port
    bool m_rdapAsked = false;   // in this chain
};
