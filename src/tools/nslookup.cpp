#include "nslookup.h"

#include "ui/KeyPress.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

QString nslookupCommandLine(const QString &name)
{
    return QStringLiteral("nslookup ") + name;
}

nslookup::nslookup(Host host)
    : ToolWindow(host, "nslookup", QStringLiteral("NsLookUp"), 5895, 4755, Background::ScrollBar)
{
    Frame1 = frame("Frame1", QStringLiteral("Type a name to get an IP "), {120, 60, 5655, 795});
    Text2 = inputBox("Text2", {240, 360, 5415, 315});
    Text1 = outputBox("Text1", {120, 960, 5655, 3195}, Editing::Editable);
    Command1 = button("Command1", QStringLiteral("Look Up"), {120, 4260, 1215, 375}, ControlFont::Parent);
    Command2 = button("Command2", QStringLiteral("Exit"), {4560, 4260, 1215, 375}, ControlFont::Parent);

    setTabOrder(Text2, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Text1);
    Text2->setFocus();

    connect(Command1, &QPushButton::clicked, this, &nslookup::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &nslookup::Command2_Click);
    onKeyPress(Text2, [this](int KeyAscii) { Text2_KeyPress(KeyAscii); });

    Form_Load();
}

void nslookup::Form_Load()
{
    loadStep(Text2, Text1);
}

void nslookup::Command1_Click()
{
    if (!emptyInputCheck(Text2, emptyMessage()))
        return;
    lookUp();
}

void nslookup::Text2_KeyPress(int KeyAscii)
{
    if (!Text2->text().isEmpty() && KeyAscii == keyEnter)
        lookUp();
}

void nslookup::lookUp()
{
    if (runStep(nslookupCommandLine(words(Text2)), Text1) != Step::NotRun)
        Text2->clear();
}

void nslookup::Command2_Click()
{
    close();
}
