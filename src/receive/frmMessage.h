#pragma once

#include "Form.h"
#include "MessageSpool.h"

class CaptionLabel;
class QPlainTextEdit;
class QPushButton;

// "Message from SENDER to RECIPIENT on DATE TIME", in the local time zone and the locale's
// short date and long time.
QString messageHeading(const SpoolMessage &message);

// A received message: the heading, the text, OK and Reply.
class frmMessage final : public Form
{
    Q_OBJECT
public:
    explicit frmMessage(const SpoolMessage &message);

Q_SIGNALS:
    // Reply was pressed: the user answers sender.
    void replyRequested(const QString &sender);

private:
    void cmdOK_Click();
    void cmdReply_Click();

    QString m_sender;
    CaptionLabel *Label1;
    QPlainTextEdit *Text1;
    QPushButton *cmdOK;
    QPushButton *cmdReply;
};
