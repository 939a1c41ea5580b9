#include "vdos.h"

#include "ui/KeyPress.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

vdos::vdos(Host host) : ToolWindow(host, "vdos", QStringLiteral("Virtual DOS"), 7575, 5295, Background::Style)
{
    Frame1 = frame("Frame1", QStringLiteral("Type a DOS command Then Hit Enter"), {120, 60, 6135, 795});
    Text2 = inputBox("Text2", {240, 360, 5895, 315});
    Command1 = button("Command1", QStringLiteral("Exit"), {6360, 300, 1095, 435});
    Text1 = outputBox("Text1", {120, 960, 7335, 4215}, Editing::Editable);

    setTabOrder(Text2, Text1);
    setTabOrder(Text1, Command1);
    Text2->setFocus();

    connect(Command1, &QPushButton::clicked, this, &vdos::Command1_Click);
    onKeyPress(Text2, [this](int KeyAscii) { Text2_KeyPress(KeyAscii); });
}

void vdos::Text2_KeyPress(int KeyAscii)
{
    if (KeyAscii != 13)
        return;
    if (runStep(Text2->text(), Text1) != Step::NotRun)
        Text2->clear();
}

void vdos::Command1_Click()
{
    close();
}
