#include "LinuxLauncher.h"

#include "ChildContract.h"
#include "Spawn.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstring>

QStringList splitCommandLine(const QString &line)
{
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (const QChar c : line) {
        if (c == u'"') {
            quoted = !quoted;
            inWord = true; // "" is an empty word
        } else if (!quoted && (c == u' ' || c == u'\t')) {
            if (inWord)
                words.append(word);
            word.clear();
            inWord = false;
        } else {
            word.append(c);
            inWord = true;
        }
    }
    if (inWord)
        words.append(word);
    return words;
}

QString findProgram(const QString &name, const QString &path)
{
    if (name.isEmpty())
        return {};
    if (name.contains(u'/')) {
        const QFileInfo info(name);
        return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
    }
    const QStringList directories = path.split(u':', Qt::SkipEmptyParts);
    for (const QString &directory : directories) {
        const QFileInfo info(QDir(directory).filePath(name));
        if (info.isFile() && info.isExecutable())
            return info.absoluteFilePath();
    }
    return {};
}

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(strerror(error));
}

} // namespace

Launch LinuxLauncher::start(const QString &commandLine, int windowStyle)
{
    QStringList words = splitCommandLine(commandLine);
    if (words.isEmpty())
        return {0, QStringLiteral("Cannot start an empty command line.")};
    for (QString &word : words)
        word = m_paths.mapWord(word);
    const QString program = words.takeFirst();
    return startProgram(program, words, windowStyle);
}

const LinuxLauncher::Environment &LinuxLauncher::environmentFor(int windowStyle)
{
    auto known = m_environments.constFind(windowStyle);
    if (known == m_environments.constEnd()) {
        const QProcessEnvironment environment = ChildContract::childEnvironment(m_config, windowStyle);
        known =
            m_environments.insert(windowStyle, {environment.toStringList(), environment.value(QStringLiteral("PATH"))});
    }
    return *known;
}

Launch LinuxLauncher::startProgram(const QString &name, const QStringList &arguments, int windowStyle)
{
    return startFollowed(name, arguments, windowStyle, {});
}

Launch LinuxLauncher::startFollowed(const QString &name, const QStringList &arguments, int windowStyle,
                                    std::function<void(int exitCode)> ended)
{
    if (name.isEmpty())
        return {0, QStringLiteral("Cannot start an empty command line.")};
    // execve takes NUL-terminated strings: a NUL would silently cut the word it stands in.
    const auto holdsNul = [](const QString &word) { return word.contains(QChar(0)); };
    if (holdsNul(name) || std::any_of(arguments.begin(), arguments.end(), holdsNul))
        return {0, QStringLiteral("Cannot start %1: its command line holds a NUL character, which no program can be "
                                  "given.")
                       .arg(QString(name).remove(QChar(0)))};
    const Environment &environment = environmentFor(windowStyle);
    const QString program = findProgram(name, environment.path);
    if (program.isEmpty())
        return {0, QStringLiteral("Cannot start %1: the program was not found.").arg(name)};
    SpawnPlan plan;
    plan.program = program;
    plan.arguments = QStringList{name} + arguments;
    plan.environment = environment.variables;
    plan.leads = SpawnPlan::Leads::Session;
    const Spawned spawned = spawnProcess(plan);
    if (spawned.failed())
        return {0, QStringLiteral("Cannot start %1: %2").arg(name, systemError(spawned.error))};
    // In a session of its own, and never waited for: reaped once it ends.
    reapWhenDone(spawned.pid, std::move(ended));
    return {spawned.pid, {}};
}
