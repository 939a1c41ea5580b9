#include "Autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

constexpr char entry[] = "[Desktop Entry]\n"
                         "Type=Application\n"
                         "Name=Parlo\n"
                         "Comment=Receive LAN messages in the background\n"
                         "Exec=parlo --background\n"
                         "Icon=parlo\n"
                         "Terminal=false\n"
                         "X-GNOME-Autostart-enabled=true\n";

} // namespace

Autostart Autostart::forUser()
{
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    return Autostart((config.startsWith(u'/') ? config : QDir::homePath() + QStringLiteral("/.config")) +
                     QStringLiteral("/autostart/parlo.desktop"));
}

bool Autostart::enabled() const
{
    return QFileInfo(m_file).isFile();
}

QString Autostart::enable(bool on) const
{
    if (!on) {
        // A link is removed, never what it points to.
        QFile file(m_file);
        if (!QFileInfo(m_file).isSymLink() && !file.exists())
            return {};
        return file.remove() ? QString() : m_file + QStringLiteral(": ") + file.errorString();
    }
    QDir().mkpath(QFileInfo(m_file).absolutePath());
    // A link there goes first (QSaveFile would write where it points); the entry is written
    // beside and renamed into place.
    if (QFileInfo(m_file).isSymLink())
        QFile::remove(m_file);
    QSaveFile file(m_file);
    if (!file.open(QIODevice::WriteOnly) || file.write(entry) != qint64(sizeof entry - 1) || !file.commit())
        return m_file + QStringLiteral(": ") + file.errorString();
    return {};
}
