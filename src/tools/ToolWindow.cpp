#include "ToolWindow.h"

#include "WindowStyle.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

ToolWindow::ToolWindow(Host host, const char *name, const QString &caption, int widthTwips, int heightTwips,
                       bool scrollBarBackground)
    : Form(name, caption, {widthTwips, heightTwips}, Border::FixedSingle, scrollBarBackground), m_host(host)
{
}

std::optional<QString> ToolWindow::capture(const QString &line)
{
    return m_closeGuard.run([&]() -> std::optional<QString> {
        const Capture result = m_host.runner.RunCapture(line, WindowStyle::MinimizedNoFocus);
        if (result.failed()) {
            reportFailure(m_host.messages, result.error);
            return std::nullopt;
        }
        return result.text;
    });
}

bool ToolWindow::runStep(const QString &line, QPlainTextEdit *output)
{
    const std::optional<QString> text = capture(line);
    if (text)
        output->setPlainText(*text);
    return text.has_value();
}

bool ToolWindow::runStep(const QString &line, QTextEdit *output)
{
    const std::optional<QString> text = capture(line);
    if (text)
        output->setPlainText(*text);
    return text.has_value();
}

QString ToolWindow::words(const QLineEdit *box) const
{
    return literalWords(m_host.runner, box->text());
}

bool ToolWindow::emptyInputCheck(const QLineEdit *input, const QString &message)
{
    if (!input->text().isEmpty())
        return true;
    m_host.messages.show(message, applicationTitle(), BoxIcon::Information);
    return false;
}

void ToolWindow::loadStep(QLineEdit *input, QPlainTextEdit *output)
{
    runStep(input->text(), output);
    // The caret goes to the position of the output's length, as far as the input box reaches.
    input->setCursorPosition(int(output->toPlainText().size()));
}
