#include "Result.h"

#include "ui/Controls.h"

#include <QPointer>
#include <QTextBrowser>
#include <QUrl>

namespace {

QPointer<Result> &theInstance()
{
    static QPointer<Result> instance;
    return instance;
}

constexpr int widthTwips = 9000;
constexpr int heightTwips = 6000;

// Longer lines are shown broken at this length: the box lays out a whole line whenever text is
// added to it, and a server can send a megabyte without a line end.
constexpr qsizetype longestShownLine = 4096;

// text with a line end wherever a line, continuing one of `length` characters, would grow
// longer than longestShownLine.
QString brokenLines(const QString &text, qsizetype length)
{
    QString shown;
    shown.reserve(text.size() + text.size() / longestShownLine + 1);
    for (const QChar c : text) {
        if (c == u'\n' || c == u'\r') {
            length = 0;
        } else if (length++ == longestShownLine) {
            shown += u'\n';
            length = 1;
        }
        shown += c;
    }
    return shown;
}

QTextBrowser *resultBox(QWidget *parent)
{
    auto *box = placed(new QTextBrowser(parent), "RichTextBox1", {0, 0, widthTwips, heightTwips});
    box->setOpenLinks(false);
    box->setAcceptRichText(false);
    box->setLineWrapMode(QTextEdit::NoWrap);
    box->setTabChangesFocus(true);
    box->setFont(msSansSerif(8.5));
    return box;
}

} // namespace

Result::Result()
    : Form("Result", QStringLiteral("Whois Result"), {widthTwips, heightTwips}, Border::FixedSingle, Background::Style),
      RichTextBox1(resultBox(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
}

Result *Result::instance()
{
    return theInstance();
}

Result *Result::showInstance()
{
    QPointer<Result> &instance = theInstance();
    if (!instance)
        instance = new Result;
    instance->show();
    return instance;
}

void Result::clear()
{
    RichTextBox1->clear();
}

void Result::appendText(const QString &text)
{
    QTextCursor cursor(RichTextBox1->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(brokenLines(text, cursor.positionInBlock()), QTextCharFormat());
}

void Result::appendLink(const QString &caption, const QUrl &href)
{
    QTextCharFormat link;
    link.setAnchor(true);
    link.setAnchorHref(href.toString());
    link.setForeground(palette().link());
    link.setFontUnderline(true);
    QTextCursor cursor(RichTextBox1->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(caption, link);
    cursor.insertText(QStringLiteral("\n"), QTextCharFormat());
}
