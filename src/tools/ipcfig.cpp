#include "ipcfig.h"

#include "ui/KeyPress.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>

QString ipconfigCommandLine(Qt::CheckState all, const QString &tag)
{
    if (all == Qt::Checked)
        return QStringLiteral("ipconfig ") + u' ' + tag;
    return QStringLiteral("ipconfig ");
}

ipcfig::ipcfig(Host host) : ToolWindow(host, "ipcfig", QStringLiteral("IP Config"), 7575, 5055, Background::ScrollBar)
{
    Command1 = button("Command1", QStringLiteral("IP Config"), {120, 4560, 1215, 375});
    Command1->setToolTip(QStringLiteral("Shows local IP "));
    Command2 = button("Command2", QStringLiteral("Exit"), {6360, 4560, 1095, 375});
    Text1 = outputBox("Text1", {120, 120, 7335, 4335}, Editing::ReadOnly);
    Check1 = checkBox("Check1", QStringLiteral("/All"), QStringLiteral("/all"), {1440, 4590, 855, 315},
                      ControlFont::Verdana);
    Command3 = button("Command3", QStringLiteral("Renew"), {2400, 4560, 1095, 375}, ControlFont::Parent);
    Command3->setToolTip(QStringLiteral("Renew Adapter"));
    Command4 = button("Command4", QStringLiteral("Release"), {3600, 4560, 1095, 375}, ControlFont::Parent);
    Command4->setToolTip(QStringLiteral("Release Adapter"));

    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Text1);
    setTabOrder(Text1, Check1);
    setTabOrder(Check1, Command3);
    setTabOrder(Command3, Command4);
    Command1->setFocus();

    connect(Command1, &QPushButton::clicked, this, &ipcfig::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &ipcfig::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &ipcfig::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &ipcfig::Command4_Click);
    onKeyPress(Text1, [this](int KeyAscii) { Text1_KeyPress(KeyAscii); });
}

void ipcfig::Command1_Click()
{
    runStep(ipconfigCommandLine(Check1->checkState(), tagOf(Check1)), Text1);
}

void ipcfig::Command3_Click()
{
    runStep(QStringLiteral("ipconfig /renew"), Text1);
}

void ipcfig::Command4_Click()
{
    runStep(QStringLiteral("ipconfig /release"), Text1);
}

void ipcfig::Text1_KeyPress(int KeyAscii)
{
    if (KeyAscii == keyEnter)
        m_host.messages.show(enterHint(), applicationTitle(), BoxIcon::None);
}

void ipcfig::Command2_Click()
{
    close();
}
