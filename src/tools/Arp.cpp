#include "Arp.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTextEdit>

QString arpCommandLine(const QString &option)
{
    return QStringLiteral("arp") + u' ' + option;
}

Arp::Arp(Host host) : ToolWindow(host, "Arp", QStringLiteral("Arp"), 6615, 4815, Background::Style)
{
    RichTextBox1 = richTextBox("RichTextBox1", {120, 120, 6375, 3615});
    RichTextBox1->setFont(fixedPitch(8.25)); // the output's columns line up only in a fixed pitch
    Frame1 = frame("Frame1", QStringLiteral("Options"), {120, 3780, 3135, 915}, ControlFont::Parent);
    cArp = button("cArp", QStringLiteral("Arp"), {240, 4080, 1215, 495}, ControlFont::Parent);
    Check1 = checkBox("Check1", QStringLiteral("-a"), QStringLiteral("-a"), {1680, 4170, 855, 315});
    Command2 = button("Command2", QStringLiteral("Exit"), {3480, 4140, 1095, 495}, ControlFont::Parent);

    setTabOrder(cArp, Command2);
    setTabOrder(Command2, Check1);
    setTabOrder(Check1, RichTextBox1);
    cArp->setFocus();

    connect(cArp, &QPushButton::clicked, this, &Arp::cArp_Click);
    connect(Command2, &QPushButton::clicked, this, &Arp::Command2_Click);
}

void Arp::cArp_Click()
{
    // The table is always listed with the box's option, ticked or not: without it the
    // command prints only its usage.
    runStep(arpCommandLine(tagOf(Check1)), RichTextBox1);
}

void Arp::Command2_Click()
{
    close();
}
