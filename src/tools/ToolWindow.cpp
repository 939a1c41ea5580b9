#include "ToolWindow.h"

#include "Controls.h"
#include "WindowStyle.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>

namespace {

template <typename W> W *placed(W *widget, const char *name, QRect twips)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(twipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
    return widget;
}

} // namespace

ToolWindow::ToolWindow(Host host, const char *name, const QString &caption, int widthTwips, int heightTwips,
                       bool scrollBarBackground)
    : QWidget(nullptr), m_host(host)
{
    setObjectName(QLatin1String(name));
    setWindowTitle(caption);
    // A fixed single border: minimize and close, no maximize.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(twips(widthTwips), twips(heightTwips));
    if (scrollBarBackground) {
        // Only the window role: frames and check boxes show it too, text boxes keep their own.
        QPalette colours = palette();
        colours.setColor(QPalette::Window, scrollBarColour());
        setPalette(colours);
        setAutoFillBackground(true);
    }
}

QPushButton *ToolWindow::button(const char *name, const QString &caption, QRect twips, bool verdana)
{
    auto *control = placed(new QPushButton(caption, this), name, twips);
    control->setAutoDefault(false);
    control->setDefault(false);
    if (verdana)
        control->setFont(::verdana());
    return control;
}

QGroupBox *ToolWindow::frame(const char *name, const QString &caption, QRect twips, bool verdana)
{
    auto *control = placed(new QGroupBox(caption, this), name, twips);
    control->setFocusPolicy(Qt::NoFocus);
    if (verdana)
        control->setFont(::verdana());
    return control;
}

QLineEdit *ToolWindow::inputBox(const char *name, QRect twips, bool verdana)
{
    auto *control = placed(new QLineEdit(this), name, twips);
    if (verdana)
        control->setFont(::verdana());
    return control;
}

QPlainTextEdit *ToolWindow::outputBox(const char *name, QRect twips, bool readOnly)
{
    auto *control = placed(new QPlainTextEdit(this), name, twips);
    control->setFont(verdana(true));
    control->setLineWrapMode(QPlainTextEdit::NoWrap);
    control->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    control->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    control->setTabChangesFocus(true);
    control->setReadOnly(readOnly);
    if (readOnly) {
        // Still reachable by Tab and still told about keys, but nothing typed changes it.
        control->setFocusPolicy(Qt::StrongFocus);
        control->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    }
    return control;
}

QTextEdit *ToolWindow::richTextBox(const char *name, QRect twips)
{
    auto *control = placed(new QTextEdit(this), name, twips);
    control->setAcceptRichText(false);
    control->setLineWrapMode(QTextEdit::NoWrap);
    control->setTabChangesFocus(true);
    return control;
}

QCheckBox *ToolWindow::checkBox(const char *name, const QString &caption, const QString &tag, QRect twips, bool verdana)
{
    auto *control = placed(new QCheckBox(caption, this), name, twips);
    control->setProperty("Tag", tag);
    if (verdana)
        control->setFont(::verdana());
    return control;
}

std::optional<QString> ToolWindow::capture(const QString &line)
{
    // The runner and the failure box keep the windows painting while they wait, so a close
    // can arrive meanwhile; it is held back until the handler that started the run has finished.
    m_running = true;
    const Capture result = m_host.runner.RunCapture(line, WindowStyle::MinimizedNoFocus);
    if (result.failed())
        reportFailure(m_host.messages, result.error);
    m_running = false;
    if (m_closeAfterRun) {
        m_closeAfterRun = false;
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
    if (result.failed())
        return std::nullopt;
    return result.text;
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
    // Selection length first, then its start: setting the start leaves nothing selected.
    input->setCursorPosition(int(output->toPlainText().size()));
}

void ToolWindow::exitButton()
{
    close();
}

void ToolWindow::closeEvent(QCloseEvent *event)
{
    if (m_running) {
        m_closeAfterRun = true;
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

QString tagOf(const QCheckBox *box)
{
    return box->property("Tag").toString();
}
