#pragma once

#include "MessageSpool.h"
#include "ui/Form.h"

class CaptionLabel;
class QPlainTextEdit;
class QPushButton;

// text with what could disguise it shown: a NUL as "␀", each bidirectional control character
// (which could show "gnp.exe" as "exe.png") as "[U+202E]" and the like.
QString visibleText(const QString &text);

// "Message from SENDER to RECIPIENT on DATE TIME", the names in capitals as NetBIOS names are
// shown, the time in the local time zone and the locale's short date and long time.
QString messageHeading(const SpoolMessage &message);

// "3 more messages waiting", or "" for none.
QString waitingText(qsizetype count);

// A received message: the heading, the text, OK and Reply; below the text, how many more wait.
// Made empty, and given its message before it is shown, so that one can be made ahead of time.
class frmMessage final : public Form
{
    Q_OBJECT
public:
    frmMessage();

    void setMessage(const SpoolMessage &message);

    void setWaiting(qsizetype count) { lblWaiting->setCaption(waitingText(count)); }

    // The buttons of the message's notification: the same as the pop-up's own.
    void chooseOK() { cmdOK_Click(); }
    void chooseReply() { cmdReply_Click(); }

Q_SIGNALS:
    // Reply was pressed: the user answers sender.
    void replyRequested(const QString &sender);
    // The user closed the pop-up (OK, Reply or the title bar): the message was seen.
    void acknowledged();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void cmdOK_Click();
    void cmdReply_Click();

    QString m_sender;
    bool m_byButton = false;
    CaptionLabel *Label1;
    QPlainTextEdit *Text1;
    CaptionLabel *lblWaiting;
    QPushButton *cmdOK;
    QPushButton *cmdReply;
};
