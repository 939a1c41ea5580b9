#pragma once

#include "platform/Host.h"
#include "ui/Form.h"
#include "ui/WindowMakers.h"

#include <QPointer>

#include <array>

class CaptionLabel;
class PictureBox;
class QPushButton;

// What a registry lookup of GetKeyValue comes to: the value was found (True) or not (False),
// or an error ends the search for the system information program.
enum class KeyResult
{
    False,
    True,
    Error,
};

// The text that GetKeyValue makes of a value, as its 1024-byte buffer holds it: a value
// longer than the buffer is False with KeyVal emptied; one of size 0 is an Error; one
// terminating zero is dropped; a text (type 1) is KeyVal, a number (type 4) is KeyVal as
// "&h" and upper-case hexadecimal digits, any other type leaves KeyVal as it was.
KeyResult keyValueText(const RegistryValue &value, QString &KeyVal);

// "Version " and the three numbers, separated by dots.
QString versionCaption(int major, int minor, int revision);
// Label1's line: where to find Parlo's web page, which ships with it at webPage.
QString contactLine(const QString &webPage);

// The About box: Parlo's title, version and contact line, and a button that starts the
// system information program named in the registry.
class frmAbout final : public Form
{
    Q_OBJECT
public:
    explicit frmAbout(Host host);

protected:
    // Enter and Esc press "OK"; Enter on "System Info..." presses that button.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildControls();
    void placeOverOwner();
    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();
    void StartSysInfo();
    KeyResult GetKeyValue(quint32 KeyRoot, const QString &KeyName, const QString &SubKeyRef, QString &KeyVal);
    bool startSysInfoProgram(const QString &path);

    Host m_host;
    QPointer<QWidget> m_owner; // the window that was active when the box opened
    QPushButton *cmdOK;
    PictureBox *picIcon;
    QPushButton *cmdSysInfo;
    CaptionLabel *lblDescription;
    CaptionLabel *lblTitle;
    CaptionLabel *lblVersion;
    CaptionLabel *Label1;
    std::array<QWidget *, 2> Line1;
};

// The maker of frmAbout.
WindowMakers aboutWindowMakers();
