#pragma once

#include "Transcript.h"
#include "WhoisQuery.h"
#include "platform/Host.h"
#include "ui/Form.h"

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

// The server a query asks until the user picks or types another.
QString defaultWhoisServer();

// Looks a domain name up at a whois server and shows the answer in the result window; asks the
// servers an answer refers to, and RDAP, when the user clicks their links there. What is asked
// and how is the WhoisQuery's; the window starts it and shows what it reports.
class whois final : public Form
{
    Q_OBJECT
public:
    explicit whois(Host host);

private:
    void Form_Load();
    void Command1_Click();
    void Text1_KeyPress(int KeyAscii);
    void cmdEdit_Click();
    void Command2_Click();
    void RichTextBox1_LinkClick(const QUrl &link);

    void buildControls();
    void connectControls();
    void startQuery();

    Host m_host;

    QLineEdit *Text1;
    QPushButton *Command1;
    QGroupBox *Frame1;
    QPushButton *Command2;
    QComboBox *Combo1;
    QPushButton *cmdEdit;
    QGroupBox *Frame2;

    Transcript m_transcript;
    WhoisQuery m_query;
};
