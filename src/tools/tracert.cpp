#include "tracert.h"

#include "ui/Controls.h"
#include "ui/KeyPress.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

QString tracertCommandLine(const QString &hops, const QString &timeoutMs, const QString &target)
{
    return QStringLiteral("tracert ") + QStringLiteral(" -d ") + QStringLiteral(" -h") + u' ' + hops +
           QStringLiteral(" -w") + u' ' + timeoutMs + u' ' + target;
}

tracert::tracert(Host host)
    : ToolWindow(host, "tracert", QStringLiteral("Trace route"), 8055, 5175, Background::ScrollBar)
{
    Frame1 = frame("Frame1", QStringLiteral("Enter IP to trace "), {120, 60, 3135, 795});
    Frame2 = frame("Frame2", QStringLiteral("Hop Count    Time (ms)"), {3360, 60, 2235, 795}, ControlFont::Parent);
    Text2 = inputBox("Text2", {240, 360, 2895, 315});
    tHop = inputBox("tHop", {3480, 360, 735, 315}, ControlFont::Parent);
    tHop->setText(QStringLiteral("5"));
    tTime = inputBox("tTime", {4560, 360, 855, 315}, ControlFont::Parent);
    tTime->setText(QStringLiteral("200"));
    Command1 = button("Command1", QStringLiteral("Trace"), {5700, 120, 1095, 375});
    Command2 = button("Command2", QStringLiteral("Exit"), {6900, 120, 1035, 375});

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twipsRect(5700, 600, 2235, 255));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setFont(msSansSerif(8.25, Weight::Bold));
    // The window-background and window-text colours, as text boxes have them.
    Label1->setBackgroundRole(QPalette::Base);
    Label1->setForegroundRole(QPalette::Text);
    Label1->setAutoFillBackground(true);

    Text1 = outputBox("Text1", {120, 960, 7815, 4095}, Editing::ReadOnly);

    setTabOrder(Text2, Command1);
    setTabOrder(Command1, Text1);
    setTabOrder(Text1, Command2);
    setTabOrder(Command2, tHop);
    setTabOrder(tHop, tTime);
    Text2->setFocus();

    connect(Command1, &QPushButton::clicked, this, &tracert::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &tracert::Command2_Click);
    onKeyPress(Text2, [this](int KeyAscii) { Text2_KeyPress(KeyAscii); });

    Form_Load();
}

void tracert::Form_Load()
{
    loadStep(Text2, Text1);
}

void tracert::Command1_Click()
{
    if (!emptyInputCheck(Text2, QStringLiteral("Type an  IP address to trace!")))
        return;
    Label1->setText(waitText());
    trace();
}

void tracert::Text2_KeyPress(int KeyAscii)
{
    Label1->setText(waitText());
    if (KeyAscii == keyEnter)
        trace();
}

void tracert::trace()
{
    const Step step = runStep(tracertCommandLine(words(tHop), words(tTime), words(Text2)), Text1);
    if (step == Step::NotRun) {
        // Neither waiting nor done: the run never happened, and the box says why.
        Label1->clear();
        return;
    }
    Text2->clear();
    Label1->setText(step == Step::Stopped ? stoppedText() : doneText());
}

void tracert::Command2_Click()
{
    close();
}
