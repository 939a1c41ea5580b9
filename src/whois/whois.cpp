#include "whois.h"

#include "core/WindowStyle.h"
#include "platform/NameFile.h"
#include "ui/KeyPress.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

QString serverList()
{
    return QStringLiteral("c:\\whois.txt");
}

} // namespace

QString defaultWhoisServer()
{
    return QStringLiteral("whois.verisign-grs.com");
}

whois::whois(Host host)
    : Form("whois", QStringLiteral("Whois"), {5670, 2415}, Border::FixedSingle, Background::ScrollBar), m_host(host),
      m_transcript(this, [this](const QUrl &link) { RichTextBox1_LinkClick(link); }),
      m_query(host.facts.whoisSettings())
{
    buildControls();
    connectControls();
    Form_Load();
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
    connect(&m_query, &WhoisQuery::asking, this, [this](const QString &source) { m_transcript.begin(source); });
    connect(&m_query, &WhoisQuery::partReceived, this,
            [this](const AnswerText::Change &change) { m_transcript.append(change); });
    connect(&m_query, &WhoisQuery::finished, this, [this](const WhoisQuery::Outcome &outcome) {
        m_transcript.end(outcome.notice, outcome.offers, outcome.source);
    });
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
    if (KeyAscii == keyEnter)
        startQuery();
}

void whois::startQuery()
{
    m_query.cancel();
    const QString server = serverName(Combo1->currentText());
    const QString question = Text1->text();
    QString refusal = questionRefusal(question);
    if (server.isEmpty())
        refusal = QStringLiteral("Type or choose a whois server.");
    if (!refusal.isEmpty()) {
        m_closeGuard.run([&] { reportFailure(m_host.messages, refusal); });
        return;
    }
    m_transcript.startChain();
    m_query.start({server, 0}, question);
}

void whois::RichTextBox1_LinkClick(const QUrl &link)
{
    // A link of an earlier chain leads nowhere; the query passes over one it cannot follow now.
    if (const std::optional<Offer> offer = m_transcript.offerOf(link))
        m_query.follow(*offer);
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
