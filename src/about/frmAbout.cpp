#include "frmAbout.h"

#include "core/WindowStyle.h"
#include "platform/FixedPaths.h"
#include "platform/LocaleText.h"
#include "ui/Controls.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

namespace {

// The predefined root key that the system information entries stand below.
constexpr quint32 HKEY_LOCAL_MACHINE = 0x80000002;
// The program's full path.
const char sysInfoKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const char sysInfoValue[] = "PATH";
// Else the folder that holds the program under its Windows name.
const char sysInfoFolderKey[] = "SOFTWARE\\Microsoft\\Shared Tools Location";
const char sysInfoFolderValue[] = "MSINFO";
const char sysInfoProgram[] = "\\MSINFO32.EXE";

// The registry's 8-bit interface reads values into a buffer of this many bytes.
constexpr qsizetype valueBufferSize = 1024;

constexpr quint32 textType = 1;
constexpr quint32 numberType = 4;

// One of the two lines of the etched separator, from (240, 2160) to (5040, 2160) in twips.
QWidget *separatorLine(QWidget *parent, int index, const QColor &colour, int widthPixels)
{
    auto *line = new QWidget(parent);
    line->setObjectName(QStringLiteral("Line1"));
    line->setProperty("Index", index);
    const QRect span = twipsRect(240, 2160, 4800, 0);
    line->setGeometry(span.x(), span.y(), span.width(), widthPixels);
    setBackground(line, colour);
    return line;
}

} // namespace

KeyResult keyValueText(const RegistryValue &value, QString &KeyVal)
{
    const qsizetype size = value.data.size();
    if (size > valueBufferSize) {
        KeyVal.clear();
        return KeyResult::False;
    }
    if (size == 0)
        return KeyResult::Error;
    const QByteArray kept = value.data.left(value.data[size - 1] == '\0' ? size - 1 : size);
    if (value.type == textType) {
        KeyVal = LocaleText::decode(kept);
    } else if (value.type == numberType) {
        quint32 number = 0;
        for (qsizetype i = 0; i < kept.size() && i < 4; ++i)
            number |= quint32(quint8(kept[i])) << (8 * i);
        KeyVal = QStringLiteral("&h") + QString::number(number, 16).toUpper();
    }
    return KeyResult::True;
}

QString versionCaption(int major, int minor, int revision)
{
    return QStringLiteral("Version %1.%2.%3").arg(major).arg(minor).arg(revision);
}

QString contactLine(const QString &webPage)
{
    return QStringLiteral("For information see Parlo's page: ") + webPage;
}

frmAbout::frmAbout(Host host)
    : Form("frmAbout", QString(), {5280, 3495}, Border::FixedDialog, Background::ScrollBar), m_host(host),
      m_owner(QApplication::activeWindow())
{
    buildControls();
    setTabOrder(cmdOK, picIcon);
    setTabOrder(picIcon, cmdSysInfo);
    cmdOK->setFocus();

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);

    Form_Load();
    placeOverOwner();
}

void frmAbout::buildControls()
{
    picIcon =
        placed(new PictureBox(QStringLiteral(":/ui/parlo.svg"), {32, 32}, this), "picIcon", {240, 240, 540, 540});
    lblTitle = label("lblTitle", QStringLiteral("Application Title"), {1050, 240, 3885, 480});
    lblVersion = label("lblVersion", QStringLiteral("Version"), {1050, 780, 3885, 255});
    lblDescription = label("lblDescription", QString(), {1050, 1125, 3885, 825});
    for (CaptionLabel *text : {lblTitle, lblVersion, lblDescription})
        setBackground(text, QPalette().color(QPalette::Base));

    // Grey over white, one pixel lower: an etched line.
    Line1[0] = separatorLine(this, 0, Qt::white, 2);
    Line1[1] = separatorLine(this, 1, QColor(128, 128, 128), 1);

    Label1 = label("Label1", contactLine(m_host.facts.webPage()), {240, 2400, 3255, 975});
    Label1->setFont(msSansSerif(8.25, Weight::Bold));

    cmdOK = button("cmdOK", QStringLiteral("OK"), {3720, 2400, 1320, 375}, ControlFont::Parent);
    cmdOK->setDefault(true);
    cmdOK->setAutoDefault(true);
    cmdSysInfo = button("cmdSysInfo", QStringLiteral("&System Info..."), {3720, 2880, 1320, 375}, ControlFont::Parent);
    cmdSysInfo->setAutoDefault(true);
}

void frmAbout::placeOverOwner()
{
    // Centred over its owner and tied to it, so that it is not a window of its own in the task bar.
    const QRect area =
        m_owner ? m_owner->frameGeometry() : (screen() ? screen()->availableGeometry() : QRect(0, 0, 0, 0));
    move(area.center() - QPoint(width() / 2, height() / 2));
    if (m_owner && m_owner->windowHandle()) {
        createWinId();
        windowHandle()->setTransientParent(m_owner->windowHandle());
    }
}

void frmAbout::Form_Load()
{
    setWindowTitle(QStringLiteral("About ") + applicationTitle());
    lblVersion->setCaption(versionCaption(PARLO_VERSION_MAJOR, PARLO_VERSION_MINOR, PARLO_VERSION_PATCH));
    lblTitle->setCaption(applicationTitle());
    lblDescription->setCaption(QString()); // Parlo has no file description
}

void frmAbout::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        cmdOK->click();
        return;
    default:
        Form::keyPressEvent(event);
    }
}

void frmAbout::cmdOK_Click()
{
    close();
}

void frmAbout::cmdSysInfo_Click()
{
    m_closeGuard.run([this] { StartSysInfo(); });
}

void frmAbout::StartSysInfo()
{
    QString SysInfoPath;
    KeyResult found =
        GetKeyValue(HKEY_LOCAL_MACHINE, QLatin1String(sysInfoKey), QLatin1String(sysInfoValue), SysInfoPath);
    if (found == KeyResult::False) {
        found = GetKeyValue(HKEY_LOCAL_MACHINE, QLatin1String(sysInfoFolderKey), QLatin1String(sysInfoFolderValue),
                            SysInfoPath);
        const QString program = SysInfoPath + QLatin1String(sysInfoProgram);
        if (found == KeyResult::True && QFileInfo(m_host.paths.mapWindowsPath(program)).isFile())
            SysInfoPath = program;
        else
            found = KeyResult::Error;
    }
    if (found == KeyResult::True && startSysInfoProgram(SysInfoPath))
        return;
    m_host.messages.show(QStringLiteral("System Information Is Unavailable At This Time"), applicationTitle(),
                         BoxIcon::None);
}

bool frmAbout::startSysInfoProgram(const QString &path)
{
    const QString program = m_host.paths.mapWindowsPath(path);
    if (program.isEmpty())
        return false;
    return !m_host.launcher.startProgram(program, {}, WindowStyle::NormalFocus).failed();
}

KeyResult frmAbout::GetKeyValue(quint32 KeyRoot, const QString &KeyName, const QString &SubKeyRef, QString &KeyVal)
{
    // Only ever read: the registry's files may belong to someone else.
    const RegistryLookup found = m_host.facts.registryValue(KeyRoot, KeyName, SubKeyRef);
    for (const QString &problem : found.problems)
        reportFailure(m_host.messages, problem);
    if (found.failed())
        return KeyResult::Error;
    if (!found.keyFound || !found.value) {
        KeyVal.clear();
        return KeyResult::False;
    }
    return keyValueText(*found.value, KeyVal);
}

WindowMakers aboutWindowMakers()
{
    return {{QStringLiteral("frmAbout"), windowMaker<frmAbout>()}};
}
