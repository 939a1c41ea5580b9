#include "whois.h"

#include "Referrals.h"
#include "Result.h"
#include "core/WindowStyle.h"
#include "platform/NameFile.h"
#include "ui/KeyPress.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpSocket>
#include <QTextBrowser>

namespace {

// Whois answers are some kilobytes; beyond this a server is not answering a question.
constexpr qint64 maximumAnswerBytes = 1024 * 1024;

QString serverList()
{
    return QStringLiteral("c:\\whois.txt");
}

QString seconds(int ms)
{
    return QString::number(ms / 1000.0);
}

} // namespace

QString defaultWhoisServer()
{
    return QStringLiteral("whois.verisign-grs.com");
}

whois::whois(Host host)
    : Form("whois", QStringLiteral("Whois"), {5670, 2415}, Border::FixedSingle, Background::ScrollBar), m_host(host),
      m_settings(host.facts.whoisSettings()),
      m_transcript(this, [this](const QUrl &link) { RichTextBox1_LinkClick(link); })
{
    buildControls();
    connectControls();
    Form_Load();
}

whois::~whois()
{
    // The socket goes with the window's children, after this window has stopped being one.
    Winsock1->disconnect(this);
    abandon();
}

void whois::buildControls()
{
    Frame1 = frame("Frame1", QStringLiteral("Choose Whois Server"), {120, 120, 3975, 735});
    Combo1 = placed(new QComboBox(this), "Combo1", {240, 360, 3735, 315});
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setFont(verdana());
    Combo1->setEditText(defaultWhoisServer());
    Combo1->setToolTip(QStringLiteral("Choose Whois Server"));
    cmdEdit = button("cmdEdit", QStringLiteral("Whois List"), {4215, 390, 1335, 435});
    cmdEdit->setToolTip(QStringLiteral("Edits the Whois.txt file"));
    Frame2 = frame("Frame2", QStringLiteral("Enter name "), {120, 960, 5430, 735});
    Text1 = inputBox("Text1", {240, 1200, 5190, 315});
    Text1->setToolTip(QStringLiteral("Enter a domain name"));
    Command1 = button("Command1", QStringLiteral("Whois"), {120, 1860, 1335, 435});
    Command1->setToolTip(QStringLiteral("Search"));
    Command2 = button("Command2", QStringLiteral("Exit"), {1575, 1860, 1335, 435});
    Winsock1 = new QTcpSocket(this);
    Winsock1->setObjectName(QStringLiteral("Winsock1"));
    // Frames are passed over by Tab: Text1, Command1, Command2, Combo1, cmdEdit.
    setTabOrder(Text1, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Combo1);
    setTabOrder(Combo1, cmdEdit);
    Text1->setFocus();
}

void whois::connectControls()
{
    connect(Command1, &QPushButton::clicked, this, &whois::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &whois::Command2_Click);
    connect(cmdEdit, &QPushButton::clicked, this, &whois::cmdEdit_Click);
    onKeyPress(Text1, [this](int KeyAscii) { Text1_KeyPress(KeyAscii); });
    connect(Winsock1, &QTcpSocket::connected, this, &whois::Winsock1_Connect);
    connect(Winsock1, &QTcpSocket::readyRead, this, [this] { Winsock1_DataArrival(Winsock1->bytesAvailable()); });
    connect(Winsock1, &QTcpSocket::disconnected, this, &whois::Winsock1_Close);
    connect(Winsock1, &QTcpSocket::errorOccurred, this, &whois::Winsock1_Error);
    m_connectTimer.setSingleShot(true);
    m_answerTimer.setSingleShot(true);
    m_limitTimer.setSingleShot(true);
    connect(&m_connectTimer, &QTimer::timeout, this, &whois::connectTimedOut);
    connect(&m_answerTimer, &QTimer::timeout, this, &whois::answerTimedOut);
    connect(&m_limitTimer, &QTimer::timeout, this, &whois::answerTooLong);
}

void whois::Form_Load()
{
    const NameFile file = readNameFile(m_host.paths, serverList());
    if (!file.exists) {
        m_host.messages.show(QStringLiteral("File does not exist. Create a file named c:\\whois.txt"),
                             QStringLiteral("Missing File!"), BoxIcon::None);
        return;
    }
    if (!file.error.isEmpty()) {
        reportFailure(m_host.messages, file.error);
        return;
    }
    Combo1->addItems(file.fields);
    // Filling the list selects nothing: the edit field keeps the default server.
    Combo1->setCurrentIndex(-1);
    Combo1->setEditText(defaultWhoisServer());
}

void whois::Command1_Click()
{
    startQuery();
}

void whois::Text1_KeyPress(int KeyAscii)
{
    if (KeyAscii == 13)
        startQuery();
}

void whois::startQuery()
{
    abandon();
    const QString server = serverName(Combo1->currentText());
    const QString question = Text1->text();
    QString refusal = questionRefusal(question);
    if (server.isEmpty())
        refusal = QStringLiteral("Type or choose a whois server.");
    if (!refusal.isEmpty()) {
        m_closeGuard.run([&] { reportFailure(m_host.messages, refusal); });
        return;
    }
    m_question = question;
    m_asked.clear();
    m_rdapAsked = false;
    m_transcript.startChain();
    ask({server, 0});
}

// Whatever is under way ends without a word, and nothing of it is shown from now on.
void whois::abandon()
{
    m_stage = Stage::Idle;
    m_connectTimer.stop();
    m_answerTimer.stop();
    m_limitTimer.stop();
    Winsock1->abort();
    m_rdap.reset();
}

void whois::ask(const WhoisServer &server)
{
    m_server = server;
    m_asked.append({server.host.toLower(), server.port == 0 ? m_settings.port : server.port});
    m_answer = AnswerText();
    m_transcript.begin(displayName(server));
    m_stage = Stage::Connecting;
    m_connectTimer.start(m_settings.connectTimeoutMs);
    // A new connection from a port the system chooses; the name is looked up without blocking.
    Winsock1->connectToHost(server.host, server.port == 0 ? m_settings.port : server.port);
}

void whois::Winsock1_Connect()
{
    if (m_stage != Stage::Connecting)
        return;
    m_connectTimer.stop();
    m_stage = Stage::Answering;
    Winsock1->write(whoisQuestion(m_question));
    m_answerTimer.start(m_settings.answerTimeoutMs);
    // A server that drips its answer resets the silence timer for ever; this one it does not.
    m_limitTimer.start(m_settings.answerLimitMs);
}

void whois::Winsock1_DataArrival(qint64 bytesTotal)
{
    if (m_stage != Stage::Answering || bytesTotal <= 0)
        return;
    m_answerTimer.start(m_settings.answerTimeoutMs);
    const QByteArray piece = Winsock1->read(maximumAnswerBytes - m_answer.byteCount());
    if (!piece.isEmpty())
        m_transcript.append(m_answer.add(piece));
    if (Winsock1->bytesAvailable() > 0)
        endAnswer(
            QStringLiteral("%1 sent more than 1 MB; the rest of its answer was not read.").arg(displayName(m_server)));
}

void whois::Winsock1_Close()
{
    Winsock1_DataArrival(Winsock1->bytesAvailable());
    if (m_stage == Stage::Answering)
        endAnswer({});
}

void whois::Winsock1_Error(QAbstractSocket::SocketError error)
{
    const QString server = displayName(m_server);
    if (m_stage == Stage::Connecting) {
        endAnswer(QStringLiteral("Could not connect to %1: %2").arg(server, Winsock1->errorString()));
    } else if (m_stage == Stage::Answering && error != QAbstractSocket::RemoteHostClosedError) {
        Winsock1_DataArrival(Winsock1->bytesAvailable());
        if (m_stage == Stage::Answering)
            endAnswer(QStringLiteral("The connection to %1 broke: %2.").arg(server, Winsock1->errorString()));
    }
}

void whois::connectTimedOut()
{
    if (m_stage == Stage::Connecting)
        endAnswer(QStringLiteral("Could not connect to %1: no connection within %2 seconds.")
                      .arg(displayName(m_server), seconds(m_settings.connectTimeoutMs)));
}

void whois::answerTimedOut()
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

void whois::answerTooLong()
{
    if (m_stage == Stage::Answering)
        endAnswer(QStringLiteral("%1 was still answering after %2 seconds; the rest of its answer was not read.")
                      .arg(displayName(m_server), seconds(m_settings.answerLimitMs)));
}

// Ends the answer of the server asked now, closing its connection, and shows why it ended
// early (or that it never began) and what may be asked next.
void whois::endAnswer(const QString &notice)
{
    m_stage = Stage::Idle;
    m_connectTimer.stop();
    m_answerTimer.stop();
    m_limitTimer.stop();
    Winsock1->abort();
    if (const AnswerText::Change rest = m_answer.finish(); rest.replace || !rest.text.isEmpty())
        m_transcript.append(rest);
    const bool answered = m_answer.byteCount() > 0;
    QString why = notice;
    if (why.isEmpty() && !answered)
        why = QStringLiteral("%1 closed the connection without answering.").arg(displayName(m_server));
    m_transcript.end(why, offersAfter(m_answer.text(), answered));
}

QList<Offer> whois::offersAfter(const QString &answer, bool answered) const
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

bool whois::asked(const WhoisServer &server) const
{
    return m_asked.contains(WhoisServer{server.host.toLower(), server.port == 0 ? m_settings.port : server.port});
}

void whois::RichTextBox1_LinkClick(const QUrl &link)
{
    // A link of an earlier chain, or one clicked while a server is being asked, leads nowhere.
    const std::optional<Offer> offer = m_transcript.offerOf(link);
    if (!offer || m_stage != Stage::Idle)
        return;
    if (offer->server && !asked(*offer->server))
        ask(*offer->server);
    else if (!offer->server && !m_rdapAsked)
        askRdap();
}

void whois::askRdap()
{
    m_rdapAsked = true;
    m_stage = Stage::Rdap;
    m_transcript.begin(QStringLiteral("RDAP"));
    m_rdap = std::make_unique<RdapLookup>(m_network, m_settings, rdapDomain(m_question),
                                          [this](const RdapLookup::Outcome &outcome) { rdapEnded(outcome); });
    m_rdap->start();
}

void whois::rdapEnded(const RdapLookup::Outcome &outcome)
{
    if (m_stage != Stage::Rdap)
        return;
    m_stage = Stage::Idle;
    // The lookup that calls back goes once it has returned.
    m_rdap.release()->deleteLater();
    if (!outcome.text.isEmpty())
        m_transcript.append({true, outcome.text});
    m_transcript.end(outcome.failure, {},
                     outcome.source.isEmpty() ? QString() : QStringLiteral("RDAP at ") + outcome.source);
}

void whois::cmdEdit_Click()
{
    const Launch started = m_host.launcher.start(QStringLiteral("notepad.exe c:\\whois.txt"), WindowStyle::NormalFocus);
    if (started.failed())
        m_closeGuard.run([&] { reportFailure(m_host.messages, started.error); });
}

void whois::Command2_Click()
{
    close();
}
