#include "LocaleText.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <clocale>
#include <cstdio>
#include <langinfo.h>

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
