#pragma once

#include "platform/ChildContract.h"

#include <QByteArray>

// A shell script standing in for a program Parlo starts: body runs with $data and $style set
// to the data folder and the window style that Parlo handed it.
inline QByteArray standInProgram(const QByteArray &body)
{
    return QByteArray("#!/bin/sh\ndata=\"$") + ChildContract::dataDirectoryVariable + "\" style=\"$" +
           ChildContract::windowStyleVariable + "\"\n" + body;
}
