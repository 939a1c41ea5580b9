#include "QtSettings.h"

#include <QSettings>

namespace {

// The organisation and the application are both Parlo: all of Parlo shares one file.
QSettings parloSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Parlo"), QStringLiteral("Parlo"));
}

} // namespace

QString QtSettings::text(const QString &key, const QString &fallback) const
{
    return parloSettings().value(key, fallback).toString();
}

QString QtSettings::fileName()
{
    return parloSettings().fileName();
}
