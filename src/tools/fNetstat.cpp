#include "fNetstat.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTextEdit>

int netstatOptionNumber(const QList<std::pair<Qt::CheckState, QString>> &boxes)
{
    int option = 0;
    for (const auto &[state, tag] : boxes) {
        if (state == Qt::Checked)
            option = tag.toInt();
    }
    return option;
}

QString netstatCommandLine(int optionNumber)
{
    const QString netstat = QStringLiteral("cmd /c netstat ");
    switch (optionNumber) {
    case 1:
        return netstat + QStringLiteral(" -a");
    case 2:
        return netstat + QStringLiteral(" -e");
    case 3:
        return netstat + QStringLiteral(" -n");
    case 4:
        return netstat + QStringLiteral(" -r");
    default:
        return QStringLiteral("cmd  /c netstat");
    }
}

fNetstat::fNetstat(Host host) : ToolWindow(host, "fNetstat", QStringLiteral("NetStat"), 8415, 5535, Background::Style)
{
    RichTextBox1 = richTextBox("RichTextBox1", {120, 120, 8175, 4095});
    RichTextBox1->setFont(fixedPitch(8.25)); // the output's columns line up only in a fixed pitch
    Frame1 = frame("Frame1", QStringLiteral("Options"), {120, 4260, 3855, 1155}, ControlFont::Parent);
    Command1 = button("Command1", QStringLiteral("NetStat"), {240, 4560, 1215, 615}, ControlFont::Parent);
    Check1 = checkBox("Check1", QStringLiteral("-a"), QStringLiteral("1"), {1680, 4560, 975, 255});
    Check1->setToolTip(QStringLiteral("Displays all connections and ports"));
    Check2 = checkBox("Check2", QStringLiteral("-e "), QStringLiteral("2"), {1680, 4920, 975, 255});
    Check2->setToolTip(QStringLiteral("Displays Ethernet stats"));
    Check3 = checkBox("Check3", QStringLiteral("-n "), QStringLiteral("3"), {2760, 4560, 975, 255});
    Check3->setToolTip(QStringLiteral("Displays addresses and ports in numerical fromat"));
    Check4 = checkBox("Check4", QStringLiteral("-r"), QStringLiteral("4"), {2760, 4920, 975, 255});
    Check4->setToolTip(QStringLiteral("Displays the contents of the routing table"));
    Command2 = button("Command2", QStringLiteral("Exit"), {4200, 4620, 1095, 495}, ControlFont::Parent);

    setTabOrder(Command1, Check1);
    setTabOrder(Check1, Check2);
    setTabOrder(Check2, Check3);
    setTabOrder(Check3, Check4);
    setTabOrder(Check4, Command2);
    setTabOrder(Command2, RichTextBox1);
    Command1->setFocus();

    connect(Command1, &QPushButton::clicked, this, &fNetstat::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &fNetstat::Command2_Click);
}

void fNetstat::Command1_Click()
{
    const int option = netstatOptionNumber({{Check1->checkState(), tagOf(Check1)},
                                            {Check2->checkState(), tagOf(Check2)},
                                            {Check3->checkState(), tagOf(Check3)},
                                            {Check4->checkState(), tagOf(Check4)}});
    runStep(netstatCommandLine(option), RichTextBox1);
}

void fNetstat::Command2_Click()
{
    close();
}
