#pragma once

// What the whois tests need beside their servers: the bootstrap file, the event loop's gaps, and
// the whois and result windows.

#include "ScriptedServer.h"
#include "whois/Result.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>

// The longest the event loop may stand still while a hostile answer arrives. The sanitizers make
// every byte's handling several times slower, and the suite runs two tests at once.
#ifdef PARLO_SANITIZE
constexpr qint64 maxGapMs = 3000;
#else
constexpr qint64 maxGapMs = 1000;
#endif

// Makes peer the RDAP bootstrap file's server, sending the .test domains to the service on port;
// the file's address.
inline QUrl serveBootstrap(ScriptedServer &peer, quint16 port)
{
    peer.answer = {
        httpReply(200, R"({"services": [[["test"], ["http://127.0.0.1:)" + QByteArray::number(port) + R"(/"]]]})")};
    return QUrl(QStringLiteral("http://127.0.0.1:%1/dns.json").arg(peer.port()));
}

// The longest time the event loop has gone without turning since this was made.
struct LoopGaps
{
    LoopGaps()
    {
        QObject::connect(&ticker, &QTimer::timeout, &ticker, [this] { longestMs = qMax(longestMs, since.restart()); });
        since.start();
        ticker.start(10);
    }
    QElapsedTimer since;
    QTimer ticker;
    qint64 longestMs = 0;
};

// Whether text is pattern, each … in it standing for any text.
inline bool like(const QString &text, const QString &pattern)
{
    if (!pattern.contains(u'…'))
        return text == pattern; // a megabyte is too long a pattern
    const QString any = QRegularExpression::escape(pattern).replace(QStringLiteral("\\…"), QStringLiteral(".*"));
    return QRegularExpression(QRegularExpression::anchoredPattern(any), QRegularExpression::DotMatchesEverythingOption)
        .match(text)
        .hasMatch();
}

// Asks the whois window about domain at server, by its button.
inline void ask(QWidget *window, const QString &domain, const QString &server = QStringLiteral("127.0.0.1"))
{
    window->findChild<QComboBox *>(QStringLiteral("Combo1"))->setEditText(server);
    window->findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(domain);
    window->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
}

// The result window, found by its name: its code may be the test's own or the whois module's.
inline QTextBrowser *resultBox()
{
    QWidget *found = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets())
        found = top->objectName() == u"Result" && (!found || top->isVisible()) ? top : found;
    return found ? found->findChild<QTextBrowser *>(QStringLiteral("RichTextBox1")) : nullptr;
}

// The text of the result window.
inline QString shown()
{
    return resultBox() ? resultBox()->toPlainText() : QStringLiteral("<no result>");
}

// Clicks the link with this caption in the result window.
inline void clickLink(const QString &caption)
{
    QTextBrowser *box = resultBox();
    QVERIFY2(box, "no result window");
    const QTextCursor found = box->document()->find(caption);
    QVERIFY2(!found.isNull(), qPrintable(shown()));
    QTextCursor inside(box->document());
    inside.setPosition(found.selectionStart() + 1);
    box->setTextCursor(inside);
    box->ensureCursorVisible();
    QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, box->cursorRect(inside).center());
}
