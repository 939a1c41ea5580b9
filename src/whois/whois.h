#pragma once

#include "AnswerText.h"
#include "RdapLookup.h"
#include "Transcript.h"
#include "platform/Host.h"
#include "ui/Form.h"

#include <QAbstractSocket>
#include <QNetworkAccessManager>
#include <QTimer>

#include <memory>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTcpSocket;

// The server a query asks until the user picks or types another.
QString defaultWhoisServer();

// Looks a domain name up at a whois server and shows the answer in the result window; asks the
// servers an answer refers to, and RDAP, when the user clicks their links there.
class whois final : public Form
{
    Q_OBJECT
public:
    explicit whois(Host host);
    ~whois() override;

private:
    enum class Stage
    {
        Idle,
        Connecting,
        Answering,
        Rdap
    };

    void Form_Load();
    void Command1_Click();
    void Text1_KeyPress(int KeyAscii);
    void Winsock1_Connect();
    void Winsock1_DataArrival(qint64 bytesTotal);
    void Winsock1_Close();
    void Winsock1_Error(QAbstractSocket::SocketError error);
    void cmdEdit_Click();
    void Command2_Click();
    void RichTextBox1_LinkClick(const QUrl &link);

    void buildControls();
    void connectControls();
    void startQuery();
    void abandon();
    void ask(const WhoisServer &server);
    void connectTimedOut();
    void answerTimedOut();
    void answerTooLong();
    void endAnswer(const QString &notice);
    QList<Offer> offersAfter(const QString &answer, bool answered) const;
    bool asked(const WhoisServer &server) const;
    void askRdap();
    void rdapEnded(const RdapLookup::Outcome &outcome);

    Host m_host;
    const WhoisSettings m_settings;

    QLineEdit *Text1;
    QPushButton *Command1;
    QGroupBox *Frame1;
    QPushButton *Command2;
    QComboBox *Combo1;
    QPushButton *cmdEdit;
    QGroupBox *Frame2;
    QTcpSocket *Winsock1;

    Stage m_stage = Stage::Idle;
    QTimer m_connectTimer;
    QTimer m_answerTimer;
    QTimer m_limitTimer;
    QNetworkAccessManager m_network;
    std::unique_ptr<RdapLookup> m_rdap;
    Transcript m_transcript;
    AnswerText m_answer;        // of the server asked now
    WhoisServer m_server;       // the server asked now
    QString m_question;         // the domain box's text when the chain began
    QList<WhoisServer> m_asked; // in this chain, with their ports
    bool m_rdapAsked = false;   // in this chain
};
