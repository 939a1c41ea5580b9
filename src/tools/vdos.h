#pragma once

#include "ToolWindow.h"

// A one-line console: the typed line runs as it is when Enter is pressed.
class vdos final : public ToolWindow
{
    Q_OBJECT
public:
    explicit vdos(Host host);

private:
    void Text2_KeyPress(int KeyAscii);
    void Command1_Click();

    QLineEdit *Text2;
    QPlainTextEdit *Text1;
    QGroupBox *Frame1;
    QPushButton *Command1;
};
