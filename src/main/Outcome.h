#pragma once

#include "platform/Host.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

// A message box for the window to show.
struct Notice
{
    QString text;
    QString title = applicationTitle();
    BoxIcon icon = BoxIcon::None;
};

// What a step of the alias book or of a list send came to, for the window to show.
struct Outcome
{
    enum class What
    {
        Done,    // it did what was asked
        Refused, // it did nothing, and the notices say why
        Failed,  // the host failed it (a file not written, a program not started), as the notices say
    };

    What what = What::Done;
    QStringList names;     // for the alias box
    QList<Notice> notices; // in the order they are shown

    // Refused, with one notice saying why.
    static Outcome refusal(Notice notice) { return {What::Refused, {}, {std::move(notice)}}; }
    // Failed, with the host's error sentence as its one notice.
    static Outcome failure(const QString &error) { return {What::Failed, {}, {Notice{error}}}; }
    // Done when the program started, otherwise failed with the reason.
    static Outcome ofStart(const Launch &launch) { return launch.failed() ? failure(launch.error) : Outcome{}; }
};
