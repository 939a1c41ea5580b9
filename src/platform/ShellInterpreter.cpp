#include "ShellInterpreter.h"

#include "ChildContract.h"
#include "LocaleText.h"
#include "RunningCommand.h"

#include <QProcess>

#include <unistd.h>

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

QString ShellInterpreter::decode(const QByteArray &bytes) const
{
    return LocaleText::decode(bytes);
}
