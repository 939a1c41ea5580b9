#pragma once

#include <QString>

// Parlo's settings: values the user may keep between runs, each read with the program's default.
class Settings
{
public:
    virtual ~Settings() = default;
    // The text kept under key ("Group/Name"), or fallback when there is none.
    virtual QString text(const QString &key, const QString &fallback) const = 0;
};
