#pragma once

#include "ToolWindow.h"

// The command line that pings address: "ping " and the address as typed.
QString pingCommandLine(const QString &address);

// Pings the address the user types and shows what ping printed.
class ping final : public ToolWindow
{
    Q_OBJECT
public:
    explicit ping(Host host);

private:
    void Form_Load();
    void Command1_Click();
    void Text2_KeyPress(int KeyAscii);
    void Command2_Click();
    void runPing();

    QGroupBox *Frame1;
    QLineEdit *Text2;
    QPushButton *Command1;
    QPushButton *Command2;
    QPlainTextEdit *Text1;
};
