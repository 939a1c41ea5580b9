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
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
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

// A program's path and its arguments as the array that exec and posix_spawn want.
class ArgumentVector
{
public:
    ArgumentVector(const QString &path, const QStringList &arguments)
    {
        m_words.push_back(QFile::encodeName(path));
        for (const QString &argument : arguments)
            m_words.push_back(argument.toLocal8Bit());
        for (QByteArray &word : m_words)
            m_pointers.push_back(word.data());
        m_pointers.push_back(nullptr);
    }
    ArgumentVector(const ArgumentVector &) = delete;
    ArgumentVector &operator=(const ArgumentVector &) = delete;

    char *const *data() const { return m_pointers.data(); }

private:
    std::vector<QByteArray> m_words;
    std::vector<char *> m_pointers;
};

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

    const ArgumentVector argv(path, arguments);
    ::execv(argv.data()[0], argv.data());

    LocaleText::print(QStringLiteral("%1: %2\n").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    return 1;
}

QString deniedLine(const QString &failure)
{
    return failure + QStringLiteral(": access is denied without administrator rights.\n");
}

// The most of a line the program prints that is kept before it is passed on.
constexpr qsizetype longestLine = 64 * 1024;

int runExplainingDenial(const LinuxProgram &program, const QStringList &arguments, const QRegularExpression &denial,
                        const QString &failure)
{
    const QString path = locateProgram(program);
    int channel[2];
    if (path.isEmpty() || ::pipe2(channel, O_CLOEXEC) != 0)
        return execProgram(program, arguments);

    const ArgumentVector argv(path, arguments);
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_adddup2(&actions, channel[1], STDOUT_FILENO);
    ::posix_spawn_file_actions_adddup2(&actions, channel[1], STDERR_FILENO);
    pid_t pid = 0;
    const int error = ::posix_spawn(&pid, argv.data()[0], &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(channel[1]);
    if (error != 0) {
        ::close(channel[0]);
        LocaleText::print(QStringLiteral("%1: %2\n").arg(path, QString::fromLocal8Bit(std::strerror(error))));
        return 1;
    }
    // A Stop interrupts the program's whole process group: this one stays for its last lines.
    struct sigaction stay = {};
    stay.sa_handler = [](int) {};
    ::sigaction(SIGINT, &stay, nullptr);

    bool told = false;
    const auto pass = [&](const QByteArray &line) {
        if (!denial.match(QString::fromLocal8Bit(line)).hasMatch()) {
            std::fwrite(line.data(), 1, std::size_t(line.size()), stdout);
            std::fflush(stdout);
        } else if (!std::exchange(told, true)) {
            LocaleText::print(deniedLine(failure));
        }
    };
    QByteArray pending;
    char buffer[4096];
    for (ssize_t got = 0; (got = ::read(channel[0], buffer, sizeof buffer)) != 0;) {
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            break;
        pending.append(buffer, got);
        for (qsizetype end = 0; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1))
            pass(pending.left(end + 1));
        // No refusal is this long: a line without an end is passed on in pieces, not kept whole.
        if (pending.size() >= longestLine) {
            pass(pending);
            pending.clear();
        }
    }
    if (!pending.isEmpty())
        pass(pending);
    ::close(channel[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
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
