#pragma once

#include <QString>

// Parlo's files keep the fixed drive paths of its design (c:\parlo.txt, c:\list1.txt ...).
// Here they live in one data folder: c:\NAME is <data folder>/NAME, for either case of the
// drive letter.
class FixedPaths
{
public:
    explicit FixedPaths(QString dataDirectory) : m_dataDirectory(std::move(dataDirectory)) {}

    // $XDG_DATA_HOME/parlo, or ~/.local/share/parlo.
    static QString defaultDataDirectory();

    const QString &dataDirectory() const { return m_dataDirectory; }

    // The local path of a drive path; any other text comes back unchanged. Creates the data
    // folder on first use.
    QString map(const QString &path) const;

    // A Windows path, as the registry holds it, on this system: a drive path as map() makes
    // it, any other with its backslashes turned into slashes.
    QString mapWindowsPath(const QString &path) const;

    // map() for one word of a command line, also after a leading > or >>.
    QString mapWord(const QString &word) const;

    // Whether the text is a drive path that map() turns into a local path.
    static bool isDrivePath(const QString &path);

private:
    QString m_dataDirectory;
};
