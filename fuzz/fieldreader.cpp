// The field reader over any text, as a name file of any encoding may hold it.
#include "core/FieldReader.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(fuzz::bytes(data, size));
    const QStringList fields = readFields(text);
    // Every field is a piece of the text, so there are never more characters than the text has.
    qsizetype total = 0;
    for (const QString &field : fields)
        total += field.size();
    if (total > text.size())
        __builtin_trap();
    return 0;
}
