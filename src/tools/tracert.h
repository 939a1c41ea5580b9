#pragma once

#include "ToolWindow.h"

class QLabel;

// The trace command line: numeric always, then the hop count, the time-out and the target,
// each as typed.
QString tracertCommandLine(const QString &hops, const QString &timeoutMs, const QString &target);

// Traces the route to the address the user types, with a hop count and a time-out.
class tracert final : public ToolWindow
{
    Q_OBJECT
public:
    explicit tracert(Host host);

    static QString waitText() { return QStringLiteral(" Please wait a few moments...."); }
    static QString doneText() { return QStringLiteral("Done"); }
    static QString stoppedText() { return QStringLiteral("Stopped"); }

private:
    void Form_Load();
    void Command1_Click();
    void Text2_KeyPress(int KeyAscii);
    void Command2_Click();
    // The trace from building the command line on, once the status text says to wait.
    void trace();

    QGroupBox *Frame1;
    QGroupBox *Frame2;
    QLineEdit *Text2;
    QPushButton *Command1;
    QPlainTextEdit *Text1;
    QPushButton *Command2;
    QLabel *Label1;
    QLineEdit *tHop;
    QLineEdit *tTime;
};
