#pragma once

#include "ToolWindow.h"

// The ARP command line: "arp", a blank and the option text.
QString arpCommandLine(const QString &option);

// Shows the computer's ARP table.
class Arp final : public ToolWindow
{
    Q_OBJECT
public:
    explicit Arp(Host host);

private:
    void cArp_Click();
    void Command2_Click();

    QPushButton *cArp;
    QPushButton *Command2;
    QGroupBox *Frame1;
    QCheckBox *Check1;
    QTextEdit *RichTextBox1;
};
