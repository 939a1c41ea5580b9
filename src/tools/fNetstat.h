#pragma once

#include "ToolWindow.h"

#include <QList>

#include <utility>

// The option number of the check boxes, in their order: each ticked box sets it to its tag as
// a number, so the last ticked box wins; 0 when none is ticked.
int netstatOptionNumber(const QList<std::pair<Qt::CheckState, QString>> &boxes);
// The netstat command line for an option number (1 -a, 2 -e, 3 -n, 4 -r, anything else: none).
QString netstatCommandLine(int optionNumber);

// Shows network connection statistics with one of four options.
class fNetstat final : public ToolWindow
{
    Q_OBJECT
public:
    explicit fNetstat(Host host);

private:
    void Command1_Click();
    void Command2_Click();

    QPushButton *Command1;
    QGroupBox *Frame1;
    QCheckBox *Check1;
    QCheckBox *Check2;
    QCheckBox *Check3;
    QCheckBox *Check4;
    QPushButton *Command2;
    QTextEdit *RichTextBox1;
};
