#pragma once

#include "Controls.h"

#include <QRect>
#include <QSize>
#include <QWidget>

#include <utility>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTextEdit;

// How a window's border lets the user change it.
enum class Border
{
    FixedSingle, // fixed size; minimize and close, no maximize
    FixedDialog, // fixed size; close only; not in the task bar
    Sizable,     // resizable; minimize, maximize and close
};

// Names a top-level window, gives it its caption and border, and a client area of the given
// size in twips; it is kept inside its screen whenever shown (keepOnScreen).
void setUpWindow(QWidget *window, const char *name, const QString &caption, QSize clientTwips, Border border);
// Paints the window in the scroll-bar colour; its frames and check boxes show it too, its text
// boxes keep their own.
void setScrollBarBackground(QWidget *window);

// Names a control and places it on its parent, in twips.
template <typename W> W *placed(W *widget, const char *name, QRect twips)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(twipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
    return widget;
}

// A control's font: Verdana, or its parent's.
enum class ControlFont
{
    Verdana,
    Parent,
};

// Whether the user may type into a box.
enum class Editing
{
    Editable,
    ReadOnly, // still reachable by Tab and still told about keys, but nothing typed changes it
};

// A window's background: its style's own, or the scroll-bar colour, which its frames and check
// boxes show too.
enum class Background
{
    Style,
    ScrollBar,
};

// Controls, named and placed in twips on parent, in the given font.
QPushButton *button(QWidget *parent, const char *name, const QString &caption, QRect twips,
                    ControlFont font = ControlFont::Verdana);
QGroupBox *frame(QWidget *parent, const char *name, const QString &caption, QRect twips,
                 ControlFont font = ControlFont::Verdana);
QLineEdit *inputBox(QWidget *parent, const char *name, QRect twips, ControlFont font = ControlFont::Verdana);
// A multi-line box in bold Verdana with both scroll bars.
QPlainTextEdit *outputBox(QWidget *parent, const char *name, QRect twips, Editing editing);
// A box that holds rich text but is only ever given plain text.
QTextEdit *richTextBox(QWidget *parent, const char *name, QRect twips);
// A check box carrying tag as its "Tag" property.
QCheckBox *checkBox(QWidget *parent, const char *name, const QString &caption, const QString &tag, QRect twips,
                    ControlFont font = ControlFont::Parent);
// A label whose caption may hold a carriage return.
CaptionLabel *label(QWidget *parent, const char *name, const QString &caption, QRect twips);

// A check box's "Tag" property.
QString tagOf(const QCheckBox *box);

// Holds a window's close back while one of its handlers runs: the runner and the message boxes
// keep the windows painting while they wait, so a close can arrive meanwhile, and carrying it
// out at once would destroy the window under its running handler. The close is carried out
// once the handler has returned.
class CloseGuard
{
public:
    explicit CloseGuard(QWidget *window) : m_window(window) {}

    // Runs handler and returns what it returns.
    template <typename F> decltype(auto) run(F &&handler)
    {
        const Scope scope(*this);
        return std::forward<F>(handler)();
    }

    // For closeEvent: true when a handler runs, and the close is then carried out after it.
    bool holdsClose();

private:
    struct Scope
    {
        explicit Scope(CloseGuard &guard) : guard(guard) { ++guard.m_depth; }
        ~Scope() { guard.finished(); }
        CloseGuard &guard;
    };
    void finished();

    QWidget *m_window;
    int m_depth = 0;
    bool m_closeAfterRun = false;
};

// A window of Parlo's own: set up in twips with its caption and border, the control makers
// placing on the window itself, and a close held back while a handler runs.
class Form : public QWidget
{
    Q_OBJECT
protected:
    Form(const char *name, const QString &caption, QSize clientTwips, Border border, Background background);

    QPushButton *button(const char *name, const QString &caption, QRect twips, ControlFont font = ControlFont::Verdana)
    {
        return ::button(this, name, caption, twips, font);
    }
    QGroupBox *frame(const char *name, const QString &caption, QRect twips, ControlFont font = ControlFont::Verdana)
    {
        return ::frame(this, name, caption, twips, font);
    }
    QLineEdit *inputBox(const char *name, QRect twips, ControlFont font = ControlFont::Verdana)
    {
        return ::inputBox(this, name, twips, font);
    }
    QPlainTextEdit *outputBox(const char *name, QRect twips, Editing editing)
    {
        return ::outputBox(this, name, twips, editing);
    }
    QTextEdit *richTextBox(const char *name, QRect twips) { return ::richTextBox(this, name, twips); }
    QCheckBox *checkBox(const char *name, const QString &caption, const QString &tag, QRect twips,
                        ControlFont font = ControlFont::Parent)
    {
        return ::checkBox(this, name, caption, tag, twips, font);
    }
    CaptionLabel *label(const char *name, const QString &caption, QRect twips)
    {
        return ::label(this, name, caption, twips);
    }

    void closeEvent(QCloseEvent *event) override;

    CloseGuard m_closeGuard{this};
};
