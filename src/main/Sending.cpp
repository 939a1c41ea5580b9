// Sending the message to the typed or picked recipient with net send.
#include "Messaging.h"
#include "core/WindowStyle.h"
#include "parlo.h"
#include "ui/KeyPress.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>

void parlo::cmdSend_Click()
{
    sendToRecipient(IfNobody::Say);
}

void parlo::Picture2_Click()
{
    sendToRecipient(IfNobody::Say);
}

void parlo::txtmsg_KeyPress(int KeyAscii)
{
    if (KeyAscii == keyEnter)
        sendToRecipient(IfNobody::Ignore);
}

void parlo::sendToRecipient(IfNobody ifNobody)
{
    const QString typed = txtno->text();
    const QString alias = Combo1->currentText();
    if (typed.isEmpty() && alias.isEmpty()) {
        if (ifNobody == IfNobody::Say)
            showOutcome(Outcome::refusal(nothingToSend()));
        return;
    }
    // The typed name wins when both are filled.
    const QString recipient = typed.isEmpty() ? alias : typed;
    const QString message = txtmsg->toPlainText();
    if (const QString refusal = sendRefusal(recipient, message); !refusal.isEmpty()) {
        reportFailure(m_host.messages, refusal);
        return;
    }
    const qint64 kept = m_host.history.recordSent(message, {recipient}, {});
    const Capture capture =
        m_host.runner.RunCapture(sendCommandLine(m_host.runner, recipient, message), WindowStyle::MinimizedNoFocus);
    m_host.history.recordDelivery(kept, recipient, capture.failed() ? Delivery::Failed : deliveryOf(capture.exitCode));
    if (capture.failed()) {
        reportFailure(m_host.messages, capture.error);
        return; // the message stays, nothing is lost
    }
    // The report replaces the message as one edit of the box, so that Undo brings the message back.
    QTextCursor all(txtmsg->document());
    all.select(QTextCursor::Document);
    all.insertText(capture.text);
    txtmsg->moveCursor(QTextCursor::Start); // where setting the text leaves the caret
}
