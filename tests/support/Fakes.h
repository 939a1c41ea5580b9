#pragma once

#include "platform/FixedPaths.h"
#include "platform/Host.h"
#include "platform/Settings.h"

#include <QList>
#include <QMap>

#include <functional>

// Recording stand-ins for the host, so tests can check exactly what a window asked for.

struct RunCall
{
    QString command;
    int windowStyle;
};

class RecordingRunner final : public CommandRunner
{
public:
    using CommandRunner::RunCapture;
    Capture RunCapture(const QString &command, int windowStyle, const LiveOutput &live) override
    {
        calls.append({command, windowStyle});
        if (live && !liveText.isEmpty())
            live(liveText);
        if (during)
            during();
        return next;
    }
    // Everything as it is, so that lines read as typed.
    QString literal(const QString &text) const override { return text; }

    QList<RunCall> calls;
    Capture next;                 // what every run gives back
    QString liveText;             // shown while each command runs, when set
    std::function<void()> during; // called while each command runs, when set
};

struct LaunchCall
{
    QString commandLine; // a start by command line; for a start by arguments, "PROGRAM [ARG] [ARG]"
    int windowStyle;
};

class RecordingLauncher final : public ProcessLauncher
{
public:
    Launch start(const QString &commandLine, int windowStyle) override
    {
        calls.append({commandLine, windowStyle});
        return next;
    }
    Launch startProgram(const QString &program, const QStringList &arguments, int windowStyle) override
    {
        QString line = program;
        for (const QString &argument : arguments)
            line += QStringLiteral(" [%1]").arg(argument);
        calls.append({line, windowStyle});
        return next;
    }
    // As the real one, it tells the end later: the test calls ended[i] with the exit status.
    Launch startFollowed(const QString &program, const QStringList &arguments, int windowStyle,
                         std::function<void(int exitCode)> end) override
    {
        const Launch launch = startProgram(program, arguments, windowStyle);
        if (!launch.failed())
            ended.append(std::move(end));
        return launch;
    }

    QList<LaunchCall> calls;
    QList<std::function<void(int exitCode)>> ended; // of the followed starts, in order
    Launch next{4242, {}};
};

struct Box
{
    QString text;
    QString title;
    BoxIcon icon;
};

class RecordingMessages final : public MessageBoxes
{
public:
    void show(const QString &text, const QString &title, BoxIcon icon) override { boxes.append({text, title, icon}); }

    QList<Box> boxes;
};

class FakeFacts final : public HostFacts
{
public:
    std::optional<QString> computerName() const override { return name; }
    QString localIpAddress() const override { return ip; }
    QString environment(const QString &variable) const override { return variables.value(variable.toLower()); }
    WhoisSettings whoisSettings() const override { return whois; }
    VersionPair version() const override { return versionPair; }
    MemoryStatus memoryStatus() const override { return memory; }
    QString workgroup() const override { return group; }
    QString systemName() const override { return osName; }
    ReceivePlaces receivePlaces() const override { return places; }
    QString webPage() const override { return page; }
    RegistryLookup registryValue(quint32 root, const QString &key, const QString &valueName) const override
    {
        lookups.append(QStringLiteral("%1 %2 %3").arg(QString::number(root, 16), key, valueName));
        return registry.value(key + u'|' + valueName);
    }

    std::optional<QString> name = QStringLiteral("WS1");
    QString ip = QStringLiteral("10.0.0.7");
    QMap<QString, QString> variables; // by lower-case name
    WhoisSettings whois;              // port 43, no bootstrap file, no cache: tests set their own
    VersionPair versionPair{6, 1, false};
    MemoryStatus memory{536870912, 104857600};
    QString group = QStringLiteral("WORKGROUP");
    QString osName;
    ReceivePlaces places;
    QString page = QStringLiteral("file:///usr/share/parlo/index.html");
    QMap<QString, RegistryLookup> registry; // by "KEY|NAME"; any other: no such key
    mutable QStringList lookups;            // "ROOT KEY NAME", ROOT in hexadecimal
};

// Settings held in memory, by key.
class FakeSettings final : public Settings
{
public:
    QString text(const QString &key, const QString &fallback) const override { return values.value(key, fallback); }

    QMap<QString, QString> values;
};

// The history in memory, found as the real one finds it.
class MemoryHistory final : public MessageHistory
{
public:
    qint64 recordSent(const QString &text, const QStringList &recipients, const QString &list) override
    {
        HistoryEntry entry{entries.size() + 1, 0, Direction::Sent, {}, text, list, {}};
        for (const QString &name : recipients)
            entry.recipients.append({name, Delivery::Pending});
        entries.append(entry);
        return entry.id;
    }
    void recordDelivery(qint64 id, const QString &recipient, Delivery delivery) override
    {
        for (HistoryRecipient &copy : entries[id - 1].recipients) {
            if (copy.name == recipient && copy.delivery == Delivery::Pending) {
                copy.delivery = delivery;
                return;
            }
        }
    }
    qint64 recordReceived(const QString &sender, const QString &text, const QString &origin) override
    {
        if (!origin.isEmpty() && origins.contains(origin))
            return 0;
        origins.append(origin);
        entries.append({entries.size() + 1, 0, Direction::Received, sender, text, {}, {}});
        return entries.size();
    }
    QList<HistoryEntry> find(const QString &filter, int limit) const override
    {
        QList<HistoryEntry> found;
        for (auto it = entries.crbegin(); it != entries.crend() && found.size() < limit; ++it) {
            QStringList texts{it->sender, it->text};
            for (const HistoryRecipient &recipient : it->recipients)
                texts.append(recipient.name);
            if (filter.isEmpty() || !texts.filter(filter, Qt::CaseInsensitive).isEmpty())
                found.append(*it);
        }
        return found;
    }
    QString problem() const override { return {}; }

    QList<HistoryEntry> entries; // oldest first; an id is its place, from 1
    QStringList origins;
};

// A whole fake host around a data folder of the test's own.
struct FakeHost
{
    explicit FakeHost(const QString &dataDirectory) : paths(dataDirectory) {}

    Host host() { return {runner, launcher, messages, facts, paths, history}; }

    RecordingRunner runner;
    RecordingLauncher launcher;
    RecordingMessages messages;
    FakeFacts facts;
    FixedPaths paths;
    MemoryHistory history;
};
