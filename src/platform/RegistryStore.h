#pragma once

#include "Host.h"

#include <QList>
#include <QMap>
#include <QProcessEnvironment>
#include <QSet>
#include <QStringList>

// Parlo's registry is a set of files in the Windows registry export format (.reg), read one
// after the other: each adds keys and values to those before it and may delete some.

// One change that a registry file makes.
struct RegistryEdit
{
    enum Kind
    {
        AddKey,
        DeleteKey, // with everything below it
        SetValue,
        DeleteValue,
    };
    Kind kind = AddKey;
    QString key;  // the full path, root key's name first: HKEY_LOCAL_MACHINE\SOFTWARE\...
    QString name; // the value's name; empty for the key's default value (@)
    RegistryValue value;
};

// A registry file read into its changes, or the line at which it stops making sense.
struct ParsedRegistryFile
{
    QList<RegistryEdit> edits;
    int errorLine = 0; // 0 when the file was read whole
    QString error;     // what is wrong on that line
};

// Reads a registry export: UTF-8 or, with its byte order mark, UTF-16; the first line
// "Windows Registry Editor Version 5.00" or "REGEDIT4".
ParsedRegistryFile parseRegistryFile(const QByteArray &bytes);

// The keys and values that registry files make, keys and names in any case.
class RegistryTree
{
public:
    void apply(const QList<RegistryEdit> &edits);
    bool hasKey(const QString &key) const;
    std::optional<RegistryValue> value(const QString &key, const QString &name) const;

private:
    QMap<QString, QMap<QString, RegistryValue>> m_keys; // by lower-case path, values by lower-case name
};

// The name of a predefined root key (HKEY_LOCAL_MACHINE for 0x80000002); empty for any other handle.
QString rootKeyName(quint32 root);

// The registry as Parlo's files make it. Every lookup reads the files anew, so that an edit
// counts at once; nothing is ever written to them.
class RegistryStore
{
public:
    explicit RegistryStore(QStringList files) : m_files(std::move(files)) {}

    // In reading order: the copy that ships with Parlo (share/parlo/registry.reg beside the
    // program in the build tree, or below ../share when installed), each of $XDG_CONFIG_DIRS
    // (default /etc/xdg) from the least to the most important, then $XDG_CONFIG_HOME (default
    // ~/.config), each with parlo/registry.reg.
    static QStringList standardFiles(const QString &programDirectory, const QProcessEnvironment &environment);

    const QStringList &files() const { return m_files; }

    // A file that cannot be read is left out; the sentence saying so comes once in the store's life.
    RegistryLookup lookup(quint32 root, const QString &key, const QString &name) const;

private:
    void read(RegistryTree &tree, QStringList &problems) const;
    void report(const QString &problem, QStringList &problems) const;

    QStringList m_files;
    mutable QSet<QString> m_reported;
};
