#include "ToolWindow.h"

#include "core/WindowStyle.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

ToolWindow::ToolWindow(Host host, const char *name, const QString &caption, int widthTwips, int heightTwips,
                       Background background)
    : Form(name, caption, {widthTwips, heightTwips}, Border::FixedSingle, background), m_host(host)
{
}

namespace {

// Shows what a command has printed so far: the new lines added at the end while the text only
// grows, following the end when it was in view.
class LiveBox
{
public:
    LiveBox(QTextDocument *document, QAbstractScrollArea *box) : m_document(document), m_box(box) {}

    void show(const QString &soFar)
    {
        QScrollBar *bar = m_box->verticalScrollBar();
        const bool atEnd = bar->value() == bar->maximum();
        if (m_started && soFar.startsWith(m_shown)) {
            QTextCursor end(m_document);
            end.movePosition(QTextCursor::End);
            end.insertText(soFar.mid(m_shown.size()));
        } else {
            m_document->setPlainText(soFar);
            m_started = true;
        }
        m_shown = soFar;
        if (atEnd)
            bar->setValue(bar->maximum());
    }

private:
    QTextDocument *m_document;
    QAbstractScrollArea *m_box;
    QString m_shown;
    bool m_started = false;
};

} // namespace

ToolWindow::Step ToolWindow::runStep(const QString &line, QTextDocument *output, QAbstractScrollArea *box)
{
    return m_closeGuard.run([&] {
        LiveBox live(output, box);
        const Capture result = m_host.runner.RunCapture(line, WindowStyle::MinimizedNoFocus,
                                                        [&live](const QString &soFar) { live.show(soFar); });
        if (result.failed()) {
            reportFailure(m_host.messages, result.error);
            return Step::NotRun;
        }
        output->setPlainText(result.text);
        return result.stopped ? Step::Stopped : Step::Ran;
    });
}

ToolWindow::Step ToolWindow::runStep(const QString &line, QPlainTextEdit *output)
{
    return runStep(line, output->document(), output);
}

ToolWindow::Step ToolWindow::runStep(const QString &line, QTextEdit *output)
{
    return runStep(line, output->document(), output);
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
