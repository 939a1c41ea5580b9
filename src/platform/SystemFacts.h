#pragma once

#include "Host.h"

#include <QString>

// Readers of the places where Linux states the facts that the Windows information window
// shows. Each reader of a text takes the text itself, so that it can be tried on any.

// The major and minor number of a kernel release such as "6.1.0-18-amd64"; 0 and 0 when the
// release does not start with them.
VersionPair kernelVersion(const QString &release);
// The running kernel's release, as uname tells it.
QString kernelRelease();

// MemTotal and MemAvailable (before Linux 3.14: MemFree) of /proc/meminfo's text, in bytes.
MemoryStatus meminfoMemory(const QString &text);

// PRETTY_NAME of an os-release text, else NAME, without its quotes; empty when it has neither.
QString osReleaseName(const QString &text);

// The workgroup that Samba takes from a configuration file, as net and testparm do: the
// workgroup parameter of the global section (parameters before any section count as global),
// following include lines, in upper case; "WORKGROUP" when it sets none; empty when there is
// no such file.
QString sambaWorkgroup(const QString &configFile);
