#include "frmMessage.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

namespace {

bool isBidiControl(char16_t c)
{
    return c == 0x061c || c == 0x200e || c == 0x200f || (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069);
}

} // namespace

QString visibleText(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() == 0)
            shown += QChar(0x2400);
        else if (isBidiControl(c.unicode()))
            shown += QStringLiteral("[U+%1]").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
        else
            shown += c;
    }
    return shown;
}

QString messageHeading(const SpoolMessage &message)
{
    const QDateTime local = message.time.toLocalTime();
    const QLocale locale;
    return QStringLiteral("Message from %1 to %2 on %3 %4")
        .arg(visibleText(message.sender.toUpper()), visibleText(message.recipient.toUpper()),
             locale.toString(local.date(), QLocale::ShortFormat), locale.toString(local.time(), QLocale::LongFormat));
}

QString waitingText(qsizetype count)
{
    if (count <= 0)
        return {};
    return count == 1 ? QStringLiteral("1 more message waiting")
                      : QStringLiteral("%1 more messages waiting").arg(count);
}

frmMessage::frmMessage()
    : Form("frmMessage", QStringLiteral("Messenger Service"), {6240, 3720}, Border::FixedDialog, Background::ScrollBar),
      Label1(label("Label1", {}, {120, 120, 6000, 480})),
      Text1(outputBox("Text1", {120, 660, 6000, 2400}, Editing::ReadOnly)),
      lblWaiting(label("lblWaiting", {}, {120, 3240, 3240, 255})),
      cmdOK(button("cmdOK", QStringLiteral("OK"), {3480, 3180, 1215, 375})),
      cmdReply(button("cmdReply", QStringLiteral("&Reply"), {4905, 3180, 1215, 375}))
{
    setAttribute(Qt::WA_DeleteOnClose);
    // A message comes when it comes: the user may be typing elsewhere, and an Enter meant for
    // that window would press OK here and dismiss the message unread. So the pop-up comes up on
    // top and leaves the focus where it is, also when no window of Parlo has it: on X11 Qt sees
    // the focus of its own windows only, and "none of Parlo's" may well mean another program's.
    // A click or Alt+Tab gives it the focus as to any window; the notification's Open too.
    setAttribute(Qt::WA_ShowWithoutActivating);
    Label1->setWordWrap(true);
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &frmMessage::cmdOK_Click);
    connect(cmdReply, &QPushButton::clicked, this, &frmMessage::cmdReply_Click);
}

// A window manager honours the request not to activate the pop-up; a platform without one
// (offscreen, a kiosk's full-screen platforms) activates whatever it shows, and then the focus
// goes back at once to the window of Parlo that had it: within the turn of the show, before any
// key can reach the pop-up, so no activation by the user is undone.
void frmMessage::showEvent(QShowEvent *event)
{
    Form::showEvent(event);
    QPointer<QWindow> before = QGuiApplication::focusWindow();
    if (!before || before == windowHandle())
        return;
    QTimer::singleShot(0, this, [this, before] {
        if (before && before->isVisible() && windowHandle() && windowHandle()->isActive())
            before->requestActivate();
    });
}

void frmMessage::setMessage(const SpoolMessage &message)
{
    m_sender = message.sender.toUpper();
    Label1->setCaption(messageHeading(message));
    Text1->setPlainText(visibleText(message.text));
}

// Only the user's close acknowledges: a pop-up that goes with the process (Exit, a signal) is
// shown again at the next start.
void frmMessage::closeEvent(QCloseEvent *event)
{
    Form::closeEvent(event);
    if (event->isAccepted() && (m_byButton || event->spontaneous()))
        Q_EMIT acknowledged();
}

void frmMessage::cmdOK_Click()
{
    m_byButton = true;
    close();
}

void frmMessage::cmdReply_Click()
{
    Q_EMIT replyRequested(m_sender);
    m_byButton = true;
    close();
}
