#include "ping.h"

#include "ui/KeyPress.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

QString pingCommandLine(const QString &address)
{
    return QStringLiteral("ping ") + address;
}

ping::ping(Host host) : ToolWindow(host, "ping", QStringLiteral("Ping"), 5895, 4815, Background::ScrollBar)
{
    Frame1 = frame("Frame1", QStringLiteral("Enter IP to ping"), {120, 60, 3255, 795});
    Text2 = inputBox("Text2", {240, 360, 3015, 315});
    Command1 = button("Command1", QStringLiteral("Ping"), {3480, 300, 1095, 435});
    Command2 = button("Command2", QStringLiteral("Exit"), {4680, 300, 1095, 435});
    Text1 = outputBox("Text1", {120, 960, 5655, 3735}, Editing::Editable);

    setTabOrder(Text2, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Text1);
    Text2->setFocus();

    connect(Command1, &QPushButton::clicked, this, &ping::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &ping::Command2_Click);
    onKeyPress(Text2, [this](int KeyAscii) { Text2_KeyPress(KeyAscii); });

    Form_Load();
}

void ping::Form_Load()
{
    loadStep(Text2, Text1);
}

void ping::Command1_Click()
{
    if (!emptyInputCheck(Text2, QStringLiteral("Type an IP address to ping!")))
        return;
    runPing();
}

void ping::Text2_KeyPress(int KeyAscii)
{
    if (!Text2->text().isEmpty() && KeyAscii == keyEnter)
        runPing();
}

void ping::runPing()
{
    if (runStep(pingCommandLine(words(Text2)), Text1) != Step::NotRun)
        Text2->clear();
}

void ping::Command2_Click()
{
    close();
}
