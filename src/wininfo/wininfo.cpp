#include "wininfo.h"

#include "ui/Controls.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

// The names of the Windows versions, tried from the top; the blanks belong to them.
struct NamedVersion
{
    int major;
    int minor;
    const char *name;
};
constexpr NamedVersion versionNames[] = {
    {3, 51, " Windows NT 3.51"}, {4, 0, "Windows NT 4.0"}, {4, 10, " Windows 98"},
    {4, 90, " Windows ME"},      {5, 0, " Windows 2000"},  {5, 1, " Windows XP"},
};

QLocale ungrouped(const QLocale &locale)
{
    QLocale result = locale;
    result.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return result;
}

// A one-line box in the scroll-bar colour, placed in its frame.
QLineEdit *infoBox(QGroupBox *frame, const char *name, QRect twips)
{
    QLineEdit *box = inputBox(frame, name, twips, ControlFont::Parent);
    setBackground(box, scrollBarColour());
    return box;
}

} // namespace

QString kilobytesText(quint64 bytes, const QLocale &locale)
{
    return ungrouped(locale).toString(double(bytes) / 1024.0, 'g', 15);
}

QString systemRamText(quint64 bytes, const QLocale &locale)
{
    return QStringLiteral("System RAM: ") + kilobytesText(bytes, locale) + QStringLiteral(" Kb");
}

QString availableRamText(quint64 bytes, const QLocale &locale)
{
    return QStringLiteral("Available RAM: ") + kilobytesText(bytes, locale) + QStringLiteral(" Kb");
}

QString winVersionText(VersionPair version, const QLocale &locale)
{
    return ungrouped(locale).toString(version.major + version.minor / 100.0, 'f', 2);
}

QString versionName(VersionPair version, const QString &systemName)
{
    for (const NamedVersion &row : versionNames) {
        if (version.windows && row.major == version.major && row.minor == version.minor)
            return QLatin1String(row.name);
    }
    // Not a Windows version that the table names: the system's own name says more than "unknown".
    if (!systemName.isEmpty())
        return u' ' + systemName;
    return QStringLiteral("Unknown Version");
}

wininfo::wininfo(Host host)
    : Form("wininfo", QStringLiteral("Windows Info"), {4455, 4320}, Border::FixedSingle, Background::Style),
      m_host(host)
{
    Frame1 = frame("Frame1", QStringLiteral("Windows Version"), {120, 60, 4215, 1335}, ControlFont::Parent);
    Text3 = infoBox(Frame1, "Text3", {120, 300, 3975, 315});
    Label1 = ::label(Frame1, "Label1", QStringLiteral("Name"), {120, 660, 1215, 255});
    Text4 = infoBox(Frame1, "Text4", {120, 900, 3975, 315});

    Frame2 = frame("Frame2", QStringLiteral("Total RAM"), {120, 1500, 4215, 1335}, ControlFont::Parent);
    Text1 = infoBox(Frame2, "Text1", {120, 300, 3975, 315});
    Label2 = ::label(Frame2, "Label2", QStringLiteral("Available"), {120, 660, 1215, 255});
    Text2 = infoBox(Frame2, "Text2", {120, 900, 3975, 315});

    Frame3 = frame("Frame3", QStringLiteral("Workgroup name"), {120, 2940, 4215, 615}, ControlFont::Parent);
    Text5 = infoBox(Frame3, "Text5", {120, 240, 3975, 315});

    Command2 = button("Command2", QStringLiteral("Exit"), {1620, 3720, 1215, 435}, ControlFont::Parent);

    QWidget *const order[] = {Command2, Text1, Text2, Text3, Text4, Text5};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    Command2->setFocus();

    connect(Command2, &QPushButton::clicked, this, &wininfo::Command2_Click);

    Form_Load();
}

void wininfo::Form_Load()
{
    const MemoryStatus memory = m_host.facts.memoryStatus();
    GetWorkstationInfo();
    Text1->setText(systemRamText(memory.totalPhys));
    Text3->setText(QStringLiteral("Windows Version: ") + GetWinVersion());
    Text2->setText(availableRamText(memory.availPhys));
    Text4->setText(versionName(m_host.facts.version(), m_host.facts.systemName()));
}

QString wininfo::GetWinVersion()
{
    return winVersionText(m_host.facts.version());
}

void wininfo::GetWorkstationInfo()
{
    Text5->setText(m_host.facts.workgroup());
}

void wininfo::Command2_Click()
{
    close();
}

WindowMakers wininfoWindowMakers()
{
    return {{QStringLiteral("wininfo"), windowMaker<wininfo>()}};
}
