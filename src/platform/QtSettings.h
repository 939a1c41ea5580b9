#pragma once

#include "Settings.h"

// Parlo's settings file, read afresh at every call so that a change made while Parlo runs
// counts: Parlo/Parlo.conf in the user's configuration folder ($XDG_CONFIG_HOME, by default
// ~/.config).
class QtSettings final : public Settings
{
public:
    QString text(const QString &key, const QString &fallback) const override;
    // The full path of the file.
    static QString fileName();
};
