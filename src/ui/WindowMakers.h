#pragma once

#include "platform/Host.h"

#include <QMap>
#include <QString>

#include <functional>

class QWidget;

// Makes one window, given the host; the main window's menu keeps its single instance. A maker
// that cannot make its window tells the user why and returns nullptr.
using WindowMaker = std::function<QWidget *(Host host)>;
// Window makers by window name (ping, tracert, nslookup, ipcfig, vdos, fNetstat, Arp, whois,
// wininfo, frmAbout, frmBrowser). Each window library exports its own; main.cpp merges them.
using WindowMakers = QMap<QString, WindowMaker>;

// A maker for a window class constructed from the host alone.
template <typename W> WindowMaker windowMaker()
{
    return [](Host host) -> QWidget * { return new W(host); };
}
