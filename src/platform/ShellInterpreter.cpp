#include "ShellInterpreter.h"

#include "ChildContract.h"
#include "LocaleText.h"
#include "RunningCommand.h"
#include "Spawn.h"

#include <algorithm>
#include <cstring>

#include <fcntl.h>

namespace {

// Characters that /bin/sh reads as nothing but themselves, in any position of a word.
bool isPlainChar(QChar c)
{
    if (c.unicode() >= 0x80)
        return !c.isSpace();
    return c.isLetterOrNumber() || QStringView(u"._,:@%+=/-").contains(c);
}

bool isPlainWord(QStringView word)
{
    return !word.isEmpty() && std::all_of(word.begin(), word.end(), isPlainChar);
}

// Plain words separated by single blanks, or nothing at all.
bool isPlainText(const QString &text)
{
    if (text.isEmpty())
        return true;
    const QStringList words = text.split(u' ');
    // An empty word is a blank at an end, or two in a row.
    return std::all_of(words.begin(), words.end(), [](const QString &word) { return isPlainWord(word); });
}

} // namespace

QString ShellInterpreter::literal(const QString &text) const
{
    if (isPlainText(text))
        return text;
    QString quoted = text;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

QString ShellInterpreter::tempDirectory() const
{
    return m_facts.environment(QStringLiteral("TEMP"));
}

Interpreter::Outcome ShellInterpreter::run(const QString &command, int windowStyle, QFile &output)
{
    // The line reaches the shell as a C string, which would end at the NUL and run only its start.
    if (command.contains(QChar(0)))
        return {QStringLiteral("Cannot run the command: it holds a NUL character, which a command line cannot carry."),
                false};
    SpawnPlan plan;
    plan.program = shell();
    plan.arguments = {shell(), QStringLiteral("-c"), command};
    plan.environment = ChildContract::childEnvironment(m_config, windowStyle).toStringList();
    // The file opened anew, so that the shell writes at an offset of its own while Parlo reads.
    plan.output = descriptorPath(output.handle());
    plan.quietErrors = true;
    // Its own process group, so that stopping it reaches every program it started.
    plan.leads = SpawnPlan::Leads::Group;
    const Spawned spawned = spawnProcess(plan);
    if (spawned.failed())
        return {QStringLiteral("Cannot start the command interpreter %1: %2")
                    .arg(shell(), QString::fromLocal8Bit(std::strerror(spawned.error))),
                false};

    RunningCommand running(spawned.pid, command);
    m_guard.watch(running);
    return {{}, running.wasStopped()};
}

QString ShellInterpreter::decode(const QByteArray &output) const
{
    return LocaleText::decode(output);
}

void ShellInterpreter::discard(QFile &output, qint64 from, qint64 to) const
{
    // Whole blocks only, inside the range.
    constexpr qint64 block = 4096;
    from = (from + block - 1) / block * block;
    to = to / block * block;
    if (to > from)
        ::fallocate(output.handle(), FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, from, to - from);
}
