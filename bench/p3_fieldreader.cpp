// P3: reading a 100 MB alias file into its fields against reading it and splitting it into
// lines with memchr, one byte string per line.
#include "Bench.h"
#include "platform/FixedPaths.h"
#include "platform/NameFile.h"

#include <QByteArrayList>
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

namespace {

constexpr qsizetype fileBytes = qsizetype(100) << 20;

bool writeAliases(const QString &path)
{
    QByteArray text;
    text.reserve(fileBytes + 64);
    for (int i = 0; text.size() < fileBytes; ++i)
        text += "WORKSTATION-" + QByteArray::number(i).rightJustified(7, '0') + "\r\n";
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

QByteArrayList splitLines(const QString &path)
{
    QByteArrayList lines;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return lines;
    const QByteArray bytes = file.readAll();
    const char *p = bytes.constData();
    const char *end = p + bytes.size();
    while (p < end) {
        const char *next = static_cast<const char *>(std::memchr(p, '\n', std::size_t(end - p)));
        const char *stop = next ? next : end;
        lines.append(QByteArray(p, stop - p - (stop > p && stop[-1] == '\r')));
        p = next ? next + 1 : end;
    }
    return lines;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    const QString path = QDir(temp.path()).filePath(QStringLiteral("parlo.txt"));
    if (!writeAliases(path))
        bench::fail("P3", QStringLiteral("cannot write %1").arg(path));
    const FixedPaths paths(temp.path());

    qsizetype fields = 0;
    qsizetype lines = 0;
    const auto parlo = [&] {
        return bench::timeMs([&] { fields = readNameFile(paths, QStringLiteral("c:\\parlo.txt")).fields.size(); });
    };
    const auto baseline = [&] { return bench::timeMs([&] { lines = splitLines(path).size(); }); };
    const bench::Pair pair = bench::compare(5, parlo, baseline);
    const std::string also = std::to_string(fields) + " fields, " + std::to_string(lines) + " lines";
    return bench::report({"P3", pair.parlo, pair.baseline, 3.0, also, fields == lines && fields > 0});
}
