// Sending the message to the typed or picked recipient with net send.
#include "Messaging.h"
#include "WindowStyle.h"
#include "parlo.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

void parlo::cmdSend_Click()
{
    sendToRecipient(true);
}

void parlo::Picture2_Click()
{
    sendToRecipient(true);
}

void parlo::txtmsg_KeyPress(int KeyAscii)
{
    if (KeyAscii == 13)
        sendToRecipient(false);
}

void parlo::sendToRecipient(bool checkEmpty)
{
    const QString typed = txtno->text();
    const QString alias = Combo1->currentText();
    if (typed.isEmpty() && alias.isEmpty()) {
        if (checkEmpty)
            m_host.messages.show(QStringLiteral("First type something to send !"), applicationTitle(),
                                 BoxIcon::Information);
        return;
    }
    // The typed name wins when both are filled.
    const QString recipient = typed.isEmpty() ? alias : typed;
    const Capture capture =
        m_host.runner.RunCapture(sendCommandLine(recipient, txtmsg->toPlainText()), WindowStyle::MinimizedNoFocus);
    if (capture.failed()) {
        reportFailure(m_host.messages, capture.error);
        return; // the message stays, nothing is lost
    }
    txtmsg->setPlainText(capture.text);
}
