#include "CmdLine.h"

#include "platform/ChildContract.h"
#include "platform/FixedPaths.h"
#include "platform/LocaleText.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

int main(int argc, char **argv)
{
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));

    const FixedPaths paths(ChildContract::dataDirectory());
    const CmdLine::Request request = CmdLine::parseArguments(arguments, paths);
    if (!request.valid) {
        LocaleText::print(CmdLine::usage());
        return 1;
    }

    // The shell takes this process's place, so its exit status, signals and output are ours.
    std::fflush(stdout);
    ::execl("/bin/sh", "sh", "-c", request.line.constData(), static_cast<char *>(nullptr));
    const int error = errno;
    LocaleText::print(
        QStringLiteral("cmd: cannot run /bin/sh: %1\n").arg(QString::fromLocal8Bit(std::strerror(error))));
    return 127;
}
