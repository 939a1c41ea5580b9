#pragma once

#include "ui/WindowMakers.h"

// A maker for each command tool window: ping, tracert, nslookup, ipcfig, vdos, fNetstat, Arp.
WindowMakers toolWindowMakers();
