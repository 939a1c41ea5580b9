#include "LocaleText.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <langinfo.h>
#include <sys/mman.h>

namespace LocaleText {

QByteArray encodingName()
{
    static const QByteArray name = [] {
        // Read the codeset of the environment's locale without changing the program's own.
        locale_t locale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
        QByteArray codeset = locale ? QByteArray(nl_langinfo_l(CODESET, locale)) : QByteArray();
        if (locale)
            freelocale(locale);
        // The C locale's ASCII is taken as UTF-8, as Qt itself does.
        if (codeset.isEmpty() || codeset == "ANSI_X3.4-1968" || codeset == "ASCII" || codeset == "US-ASCII")
            codeset = "UTF-8";
        if (!QStringDecoder(codeset.constData()).isValid())
            codeset = "UTF-8";
        return codeset;
    }();
    return name;
}

QString decode(const QByteArray &bytes)
{
    QStringDecoder decoder(encodingName().constData());
    return decoder.decode(bytes);
}

namespace {

// Asks for huge pages for a large buffer not yet touched: one page fault per 2 MiB, not 4 KiB.
void adviseHugePages(void *data, qsizetype bytes)
{
    constexpr quintptr hugePage = quintptr(2) << 20;
    const auto start = (quintptr(data) + hugePage - 1) & ~(hugePage - 1);
    const auto end = (quintptr(data) + quintptr(bytes)) & ~(hugePage - 1);
    if (end > start)
        ::madvise(reinterpret_cast<void *>(start), end - start, MADV_HUGEPAGE);
}

} // namespace

QString decodeFile(QFile &file)
{
    QStringDecoder decoder(encodingName().constData());
    constexpr qsizetype piece = qsizetype(1) << 20;
    QByteArray buffer(piece, Qt::Uninitialized);
    const qint64 size = std::max<qint64>(0, file.size() - file.pos());
    QString text(decoder.requiredSpace(size), Qt::Uninitialized);
    adviseHugePages(text.data(), text.size() * qsizetype(sizeof(QChar)));
    qsizetype length = 0;
    for (;;) {
        const qint64 read = file.read(buffer.data(), piece);
        if (read <= 0)
            break;
        // The file may have grown since its size was taken.
        if (const qsizetype needed = length + decoder.requiredSpace(read); needed > text.size())
            text.resize(needed);
        const QChar *end = decoder.appendToBuffer(text.data() + length, QByteArrayView(buffer.constData(), read));
        length = end - text.constData();
    }
    text.truncate(length);
    return text;
}

QByteArray encode(const QString &text)
{
    QStringEncoder encoder(encodingName().constData());
    return encoder.encode(text);
}

void print(const QString &text)
{
    const QByteArray bytes = encode(text);
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

} // namespace LocaleText
