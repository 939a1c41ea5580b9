#pragma once

#include "ToolWindow.h"

// The lookup command line: "nslookup " and the name as typed.
QString nslookupCommandLine(const QString &name);

// Looks up the host or domain name the user types.
class nslookup final : public ToolWindow
{
    Q_OBJECT
public:
    explicit nslookup(Host host);

    static QString emptyMessage() { return QStringLiteral("Type a domain name like \"example.com\" !"); }

private:
    void Form_Load();
    void Command1_Click();
    void Text2_KeyPress(int KeyAscii);
    void Command2_Click();
    void lookUp();

    QGroupBox *Frame1;
    QLineEdit *Text2;
    QPushButton *Command1;
    QPushButton *Command2;
    QPlainTextEdit *Text1;
};
