#include "ShellInterpreter.h"

#include "ChildContract.h"
#include "LocaleText.h"
#include "RunningCommand.h"

#include <QProcess>

#include <algorithm>

#include <unistd.h>

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

QString ShellInterpreter::run(const QString &command, int windowStyle, const QString &outputPath)
{
    // The line reaches the shell as a C string, which would end at the NUL and run only its start.
    if (command.contains(QChar(0)))
        return QStringLiteral("Cannot run the command: it holds a NUL character, which a command line cannot carry.");
    QProcess process;
    process.setProgram(shell());
    process.setArguments({QStringLiteral("-c"), command});
    process.setProcessEnvironment(ChildContract::childEnvironment(m_config, windowStyle));
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(outputPath, QIODevice::Truncate);
    process.setStandardErrorFile(QProcess::nullDevice());
    // Its own process group, so that stopping it reaches every program it started.
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
    process.start();
    if (!process.waitForStarted(-1))
        return QStringLiteral("Cannot start the command interpreter %1: %2").arg(shell(), process.errorString());

    RunningCommand running(process, command);
    m_guard.watch(running);
    return {};
}

QString ShellInterpreter::decode(QFile &output) const
{
    return LocaleText::decodeFile(output);
}
