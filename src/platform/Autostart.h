#pragma once

#include <QString>

// The desktop entry that starts Parlo in the background when the user logs in
// ($XDG_CONFIG_HOME/autostart/parlo.desktop).
class Autostart final
{
public:
    explicit Autostart(const QString &file) : m_file(file) {}
    // The entry of this user's desktop.
    static Autostart forUser();

    bool enabled() const;
    // Writes the entry whole (or removes it); "" when done, else why not.
    QString enable(bool on) const;
    QString file() const { return m_file; }

private:
    QString m_file;
};
