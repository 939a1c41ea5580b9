#pragma once

#include "platform/Host.h"
#include "ui/Form.h"
#include "ui/WindowMakers.h"

#include <QLocale>

class CaptionLabel;
class QGroupBox;
class QLineEdit;
class QPushButton;

// A byte count in KB: bytes divided by 1024, in the shortest text of up to 15 significant
// digits, with the locale's decimal separator and no grouping (1536 bytes give 1.5).
QString kilobytesText(quint64 bytes, const QLocale &locale = QLocale());
// "System RAM: " and "Available RAM: ", the KB figure, then " Kb".
QString systemRamText(quint64 bytes, const QLocale &locale = QLocale());
QString availableRamText(quint64 bytes, const QLocale &locale = QLocale());
// The version number: major plus minor divided by 100, with two decimals and the locale's
// separator (5.1 gives 5.01, 4.10 gives 4.10).
QString winVersionText(VersionPair version, const QLocale &locale = QLocale());
// The version's name from the table of Windows versions, for a Windows version number; where
// no row names it, the system's own name after a blank, and "Unknown Version" when there is none.
QString versionName(VersionPair version, const QString &systemName);

// Shows this computer's version, memory and workgroup, gathered once when it opens.
class wininfo final : public Form
{
    Q_OBJECT
public:
    explicit wininfo(Host host);

private:
    void Form_Load();
    QString GetWinVersion();
    void GetWorkstationInfo();
    void Command2_Click();

    Host m_host;
    QGroupBox *Frame1;
    QLineEdit *Text3;
    CaptionLabel *Label1;
    QLineEdit *Text4;
    QGroupBox *Frame2;
    QLineEdit *Text1;
    CaptionLabel *Label2;
    QLineEdit *Text2;
    QGroupBox *Frame3;
    QLineEdit *Text5;
    QPushButton *Command2;
};

// The maker of wininfo.
WindowMakers wininfoWindowMakers();
