#include "LinuxProgram.h"

#include "platform/ChildContract.h"
#include "platform/LocaleText.h"

#include <QFileInfo>
#include <QProcess>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace compat {

namespace {

// Under the root folder the environment names, if any: tests use it to make a program missing
// or to put a stand-in in its place.
QString rooted(const QString &path)
{
    const QString root = qEnvironmentVariable(ChildContract::programRootVariable);
    return root.isEmpty() ? path : root + path;
}

} // namespace

LinuxProgram ipProgram()
{
    return {QStringLiteral("ip"),
            {QStringLiteral("/usr/sbin/ip"), QStringLiteral("/sbin/ip"), QStringLiteral("/usr/bin/ip"),
             QStringLiteral("/bin/ip")},
            QStringLiteral("iproute2")};
}

QString locateProgram(const LinuxProgram &program)
{
    for (const QString &path : program.paths) {
        const QFileInfo info(rooted(path));
        if (info.isFile() && info.isExecutable())
            return info.filePath();
    }
    return {};
}

QString missingProgramLine(const LinuxProgram &program)
{
    return QStringLiteral("%1 is not installed: install the Debian package %2.\n").arg(program.name, program.package);
}

int execProgram(const LinuxProgram &program, const QStringList &arguments)
{
    const QString path = locateProgram(program);
    if (path.isEmpty()) {
        LocaleText::print(missingProgramLine(program));
        return 1;
    }
    return execProgramAt(path, arguments);
}

int execProgramAt(const QString &path, const QStringList &arguments)
{
    std::fflush(stdout);
    const int input = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (input > STDIN_FILENO) {
        ::dup2(input, STDIN_FILENO);
        ::close(input);
    }
    ::dup2(STDOUT_FILENO, STDERR_FILENO);

    std::vector<QByteArray> words;
    words.push_back(QFile::encodeName(path));
    for (const QString &argument : arguments)
        words.push_back(argument.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    ::execv(argv.front(), argv.data());

    LocaleText::print(QStringLiteral("%1: %2\n").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    return 1;
}

QStringList commandArguments(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

int carryOut(const Translation &translation, const LinuxProgram &program)
{
    if (!translation.runs()) {
        LocaleText::print(translation.text);
        return translation.exitCode;
    }
    return execProgram(program, translation.arguments);
}

ProgramRun runProgram(const LinuxProgram &program, const QStringList &arguments)
{
    ProgramRun run;
    const QString path = locateProgram(program);
    if (path.isEmpty())
        return run;
    run.found = true;
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(path, arguments);
    if (!process.waitForStarted(-1)) {
        run.errors = LocaleText::encode(process.errorString());
        return run;
    }
    run.started = true;
    process.waitForFinished(-1);
    run.output = process.readAllStandardOutput();
    run.errors = process.readAllStandardError();
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : 128 + SIGTERM;
    return run;
}

} // namespace compat
