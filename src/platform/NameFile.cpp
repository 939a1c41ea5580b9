#include "NameFile.h"

#include "FixedPaths.h"
#include "LocaleText.h"
#include "core/FieldReader.h"

#include <QFile>
#include <QFileInfo>

NameFile readNameFile(const FixedPaths &paths, const QString &drivePath)
{
    NameFile result;
    QFile file(paths.map(drivePath));
    result.exists = QFileInfo::exists(file.fileName());
    if (!result.exists)
        return result;
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("Cannot read %1: %2").arg(drivePath, file.errorString());
        return result;
    }
    result.fields = readFields(LocaleText::decodeFile(file));
    return result;
}
