#pragma once

#include "Host.h"

#include <QMap>
#include <QString>
#include <QWidget>

#include <functional>

// A maker for each command tool window, by window name (ping, tracert, nslookup, ipcfig, vdos,
// fNetstat, Arp), in the shape the main window's menu takes.
QMap<QString, std::function<QWidget *(Host)>> toolWindowMakers();
