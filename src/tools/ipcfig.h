#pragma once

#include "ToolWindow.h"

// The configuration command line: the full listing (two blanks, then tag) only when ticked.
QString ipconfigCommandLine(Qt::CheckState all, const QString &tag);

// Shows the adapters' configuration and renews or releases their addresses.
class ipcfig final : public ToolWindow
{
    Q_OBJECT
public:
    explicit ipcfig(Host host);

    static QString enterHint()
    {
        return QStringLiteral("Just click the IP Config button with or without the /All option");
    }

private:
    void Command1_Click();
    void Command3_Click();
    void Command4_Click();
    void Text1_KeyPress(int KeyAscii);
    void Command2_Click();

    QPushButton *Command1;
    QPushButton *Command2;
    QPlainTextEdit *Text1;
    QCheckBox *Check1;
    QPushButton *Command3;
    QPushButton *Command4;
};
