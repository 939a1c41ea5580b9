#include "DebianPackages.h"

#include <QRegularExpression>

QString debianPackageOf(const QString &fileName)
{
    // Debian names a Qt library's package after its base name and major version.
    static const QRegularExpression qtLibrary(QStringLiteral("^lib(Qt6\\w+)\\.so\\.6(\\.[\\d.]*)?$"));
    if (const QRegularExpressionMatch match = qtLibrary.match(fileName); match.hasMatch())
        return QStringLiteral("lib") + match.captured(1).toLower() + u'6';
    if (fileName == u"QtWebEngineProcess")
        return QStringLiteral("libqt6webenginecore6-bin");
    if (fileName.startsWith(u"qtwebengine_"))
        return QStringLiteral("libqt6webengine6-data");
    return {};
}

QString installSentence(const QString &fileName)
{
    const QString package = debianPackageOf(fileName);
    return package.isEmpty() ? QString() : QStringLiteral(" Install the Debian package %1.").arg(package);
}

QString missingLibraryOf(const QString &loaderError)
{
    static const QRegularExpression missing(QStringLiteral("([^\\s():]+\\.so[\\w.]*): cannot open shared object file"));
    return missing.match(loaderError).captured(1);
}
