#pragma once

#include "Host.h"

#include <QRect>
#include <QWidget>

#include <optional>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTextEdit;

// What the command tool windows share: a fixed border with a minimize button, their control
// kinds, and the steps every one of them takes to run a command line and show its output.
class ToolWindow : public QWidget
{
    Q_OBJECT
protected:
    // A top-level window named name, with its caption and a client area of the given size in
    // twips; scrollBarBackground paints the window, its frames and check boxes in the
    // scroll-bar colour.
    ToolWindow(Host host, const char *name, const QString &caption, int widthTwips, int heightTwips,
               bool scrollBarBackground);

    // Controls, named and placed in twips. Fonts are the platform's unless verdana is set.
    QPushButton *button(const char *name, const QString &caption, QRect twips, bool verdana = true);
    QGroupBox *frame(const char *name, const QString &caption, QRect twips, bool verdana = true);
    QLineEdit *inputBox(const char *name, QRect twips, bool verdana = true);
    // A multi-line box in bold Verdana with both scroll bars; readOnly keeps the user from typing.
    QPlainTextEdit *outputBox(const char *name, QRect twips, bool readOnly);
    // A box that holds rich text but is only ever given plain text.
    QTextEdit *richTextBox(const char *name, QRect twips);
    // A check box carrying tag as its "Tag" property.
    QCheckBox *checkBox(const char *name, const QString &caption, const QString &tag, QRect twips,
                        bool verdana = false);

    // Runs line with window style 6 and puts its whole output in place of output's text.
    // Returns false, leaving output as it was, when the runner could not run the line (the
    // reason is shown in a message box).
    bool runStep(const QString &line, QPlainTextEdit *output);
    bool runStep(const QString &line, QTextEdit *output);
    // True when input holds any text at all (blanks count); otherwise shows message with the
    // information icon and returns false.
    bool emptyInputCheck(const QLineEdit *input, const QString &message);
    // Runs the input box's text once, shows the output and leaves the caret in the input box.
    void loadStep(QLineEdit *input, QPlainTextEdit *output);
    // Closes the window; it is destroyed with its contents.
    void exitButton();

    void closeEvent(QCloseEvent *event) override;

    Host m_host;

private:
    std::optional<QString> capture(const QString &line);

    bool m_running = false;
    bool m_closeAfterRun = false;
};

// A check box's "Tag" property.
QString tagOf(const QCheckBox *box);
