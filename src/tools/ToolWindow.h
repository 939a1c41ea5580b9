#pragma once

#include "platform/Host.h"
#include "ui/Form.h"

class QAbstractScrollArea;
class QLineEdit;
class QTextDocument;
class QPlainTextEdit;
class QTextEdit;

// What the command tool windows share beyond every window's form: a fixed single border, and
// the steps every one of them takes to run a command line and show its output.
class ToolWindow : public Form
{
    Q_OBJECT
protected:
    // A window named name, with its caption, a client area of the given size in twips and its background.
    ToolWindow(Host host, const char *name, const QString &caption, int widthTwips, int heightTwips,
               Background background);

    enum class Step
    {
        NotRun,  // the runner could not run the line, and a message box said why
        Ran,     // the command ran to its end
        Stopped, // the user stopped it
    };
    // Runs line with window style 6, showing its lines in output as they come, and puts its
    // whole output in place of output's text. When it did not run, output is left as it was.
    Step runStep(const QString &line, QPlainTextEdit *output);
    Step runStep(const QString &line, QTextEdit *output);
    // True when input holds any text at all (blanks count); otherwise shows message with the
    // information icon and returns false.
    bool emptyInputCheck(const QLineEdit *input, const QString &message);
    // The box's text as words of a command line (literalWords): what a user types into a tool
    // window reaches the program word for word and never acts as shell syntax.
    QString words(const QLineEdit *box) const;
    // Runs the input box's text once, shows the output and leaves the caret in the input box.
    void loadStep(QLineEdit *input, QPlainTextEdit *output);

    Host m_host;

private:
    Step runStep(const QString &line, QTextDocument *output, QAbstractScrollArea *box);
};
