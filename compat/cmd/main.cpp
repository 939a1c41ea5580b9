#include "CmdLine.h"

#include "ChildContract.h"
#include "FixedPaths.h"

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
        const QByteArray text = CmdLine::usage();
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
        return 1;
    }

    // The shell takes this process's place, so its exit status, signals and output are ours.
    std::fflush(stdout);
    ::execl("/bin/sh", "sh", "-c", request.line.constData(), static_cast<char *>(nullptr));
    std::fprintf(stderr, "cmd: cannot run /bin/sh: %s\n", std::strerror(errno));
    return 127;
}
