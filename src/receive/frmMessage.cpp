#include "frmMessage.h"

#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>

QString messageHeading(const SpoolMessage &message)
{
    const QDateTime local = message.time.toLocalTime();
    const QLocale locale;
    return QStringLiteral("Message from %1 to %2 on %3 %4")
        .arg(message.sender, message.recipient, locale.toString(local.date(), QLocale::ShortFormat),
             locale.toString(local.time(), QLocale::LongFormat));
}

frmMessage::frmMessage(const SpoolMessage &message)
    : Form("frmMessage", QStringLiteral("Messenger Service"), {6240, 3720}, Border::FixedDialog, true),
      m_sender(message.sender), Label1(label("Label1", messageHeading(message), {120, 120, 6000, 480})),
      Text1(outputBox("Text1", {120, 660, 6000, 2400}, true)),
      cmdOK(button("cmdOK", QStringLiteral("OK"), {3480, 3180, 1215, 375})),
      cmdReply(button("cmdReply", QStringLiteral("&Reply"), {4905, 3180, 1215, 375}))
{
    setAttribute(Qt::WA_DeleteOnClose);
    Label1->setWordWrap(true);
    Text1->setPlainText(message.text);
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &frmMessage::cmdOK_Click);
    connect(cmdReply, &QPushButton::clicked, this, &frmMessage::cmdReply_Click);
}

void frmMessage::cmdOK_Click()
{
    close();
}

void frmMessage::cmdReply_Click()
{
    Q_EMIT replyRequested(m_sender);
    close();
}
