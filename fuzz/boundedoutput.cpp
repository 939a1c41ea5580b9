// A command's output as a hostile program prints it, taken in while it grows and kept within
// the bound: the first byte says how often the rest is repeated (up to 2,551 times, 2 MiB at
// most), so that small inputs reach the bound. Checks that output within the bound comes back unchanged and
// that nothing beyond it is ever kept.
#include "core/BoundedOutput.h"
#include "FuzzInput.h"

#include <QTemporaryFile>

#include <algorithm>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray piece = fuzz::bytes(data + 1, size - 1).toByteArray();
    // At most 2 MiB in all: beyond the first and the last part, with a gap between them.
    const int repeats =
        int(std::min<qsizetype>(1 + data[0] * 10, (qsizetype(2) << 20) / std::max<qsizetype>(1, piece.size())));
    static QTemporaryFile file;
    if (!file.isOpen() && !file.open())
        std::abort();
    file.resize(0);
    BoundedOutput kept;
    // Written in three steps, read after each, as the runner's timer reads a growing file.
    for (int step = 0; step < 3; ++step) {
        file.seek(file.size());
        for (int i = step * repeats / 3; i < (step + 1) * repeats / 3; ++i)
            file.write(piece);
        file.flush();
        if (!kept.readHead(file))
            std::abort();
    }
    if (!kept.readTail(file))
        std::abort();
    const QByteArray output = piece.repeated(repeats);
    const qsizetype longest = [&] {
        qsizetype best = 0;
        for (const QByteArray &line : output.split('\n'))
            best = std::max(best, line.size());
        return best;
    }();
    const bool within = output.size() <= BoundedOutput::partBytes && output.count('\n') < BoundedOutput::partLines &&
                        longest <= BoundedOutput::lineBytes;
    if (within && kept.bytes() != output)
        std::abort();
    constexpr qsizetype mostKept = 2 * (BoundedOutput::partBytes + 6 * BoundedOutput::partLines) + 100;
    if (kept.bytes().size() > mostKept || kept.bytes().count('\n') > 2 * BoundedOutput::partLines + 1)
        std::abort();
    return 0;
}
