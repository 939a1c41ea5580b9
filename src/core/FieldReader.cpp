#include "FieldReader.h"

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isLineEnd(QChar c)
{
    return c == u'\r' || c == u'\n';
}

bool isSeparator(QChar c)
{
    return c == u',' || isLineEnd(c);
}

} // namespace

QStringList readFields(QStringView text)
{
    QStringList fields;
    const qsizetype n = text.size();
    qsizetype p = 0;
    if (n == 0)
        return fields;

    for (;;) {
        while (p < n && isBlank(text[p]))
            ++p;

        if (p < n && text[p] == u'"') {
            const qsizetype start = ++p;
            while (p < n && text[p] != u'"')
                ++p;
            fields.append(text.sliced(start, p - start).toString());
            if (p < n)
                ++p; // the closing quote
            while (p < n && !isSeparator(text[p]))
                ++p; // anything after it belongs to no field
        } else {
            const qsizetype start = p;
            while (p < n && !isSeparator(text[p]))
                ++p;
            qsizetype end = p;
            while (end > start && isBlank(text[end - 1]))
                --end;
            fields.append(text.sliced(start, end - start).toString());
        }

        if (p >= n)
            break;
        if (text[p] == u',') {
            ++p;
            continue;
        }
        // A line end: CR LF counts once.
        if (text[p] == u'\r' && p + 1 < n && text[p + 1] == u'\n')
            ++p;
        ++p;
        if (p >= n)
            break;
    }
    return fields;
}
