#include "Form.h"

#include "Controls.h"
#include "OnScreen.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>

void setUpWindow(QWidget *window, const char *name, const QString &caption, QSize clientTwips, Border border)
{
    window->setObjectName(QLatin1String(name));
    window->setWindowTitle(caption);
    keepOnScreen(window);
    const QSize size(twips(clientTwips.width()), twips(clientTwips.height()));
    const Qt::WindowFlags frame = Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint;
    switch (border) {
    case Border::FixedSingle:
        window->setWindowFlags(Qt::Window | frame | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
        window->setFixedSize(size);
        break;
    case Border::FixedDialog:
        window->setWindowFlags(Qt::Dialog | frame | Qt::WindowCloseButtonHint);
        window->setFixedSize(size);
        break;
    case Border::Sizable:
        window->setWindowFlags(Qt::Window | frame | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
        window->resize(size);
        break;
    }
}

void setScrollBarBackground(QWidget *window)
{
    QPalette colours = window->palette();
    colours.setColor(QPalette::Window, scrollBarColour());
    window->setPalette(colours);
    window->setAutoFillBackground(true);
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption, QRect twips, ControlFont font)
{
    auto *control = placed(new QPushButton(caption, parent), name, twips);
    control->setAutoDefault(false);
    control->setDefault(false);
    if (font == ControlFont::Verdana)
        control->setFont(verdana());
    return control;
}

QGroupBox *frame(QWidget *parent, const char *name, const QString &caption, QRect twips, ControlFont font)
{
    auto *control = placed(new QGroupBox(caption, parent), name, twips);
    control->setFocusPolicy(Qt::NoFocus);
    if (font == ControlFont::Verdana)
        control->setFont(verdana());
    return control;
}

QLineEdit *inputBox(QWidget *parent, const char *name, QRect twips, ControlFont font)
{
    auto *control = placed(new QLineEdit(parent), name, twips);
    if (font == ControlFont::Verdana)
        control->setFont(verdana());
    return control;
}

QPlainTextEdit *outputBox(QWidget *parent, const char *name, QRect twips, Editing editing)
{
    auto *control = placed(new QPlainTextEdit(parent), name, twips);
    control->setFont(verdana(Weight::Bold));
    control->setLineWrapMode(QPlainTextEdit::NoWrap);
    control->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    control->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    control->setTabChangesFocus(true);
    const bool readOnly = editing == Editing::ReadOnly;
    control->setReadOnly(readOnly);
    if (readOnly) {
        control->setFocusPolicy(Qt::StrongFocus);
        control->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    }
    return control;
}

QTextEdit *richTextBox(QWidget *parent, const char *name, QRect twips)
{
    auto *control = placed(new QTextEdit(parent), name, twips);
    control->setAcceptRichText(false);
    control->setLineWrapMode(QTextEdit::NoWrap);
    control->setTabChangesFocus(true);
    return control;
}

QCheckBox *checkBox(QWidget *parent, const char *name, const QString &caption, const QString &tag, QRect twips,
                    ControlFont font)
{
    auto *control = placed(new QCheckBox(caption, parent), name, twips);
    control->setProperty("Tag", tag);
    if (font == ControlFont::Verdana)
        control->setFont(verdana());
    return control;
}

CaptionLabel *label(QWidget *parent, const char *name, const QString &caption, QRect twips)
{
    auto *control = placed(new CaptionLabel(parent), name, twips);
    control->setCaption(caption);
    return control;
}

QString tagOf(const QCheckBox *box)
{
    return box->property("Tag").toString();
}

bool CloseGuard::holdsClose()
{
    if (m_depth == 0)
        return false;
    m_closeAfterRun = true;
    return true;
}

void CloseGuard::finished()
{
    if (--m_depth > 0 || !m_closeAfterRun)
        return;
    m_closeAfterRun = false;
    QMetaObject::invokeMethod(m_window, &QWidget::close, Qt::QueuedConnection);
}

Form::Form(const char *name, const QString &caption, QSize clientTwips, Border border, Background background)
    : QWidget(nullptr)
{
    setUpWindow(this, name, caption, clientTwips, border);
    if (background == Background::ScrollBar)
        setScrollBarBackground(this);
}

void Form::closeEvent(QCloseEvent *event)
{
    if (m_closeGuard.holdsClose()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}
