#pragma once

#include "platform/Host.h"

#include <QtPlugin>

class QWidget;

// What the whois module, loaded only when the whois window is first opened (it brings Qt's
// network library with it), gives the program.
class WhoisModule
{
public:
    virtual ~WhoisModule() = default;
    // A new whois window, not yet shown, that works through host.
    virtual QWidget *makeWindow(Host host) = 0;
};

#define WhoisModule_iid "org.parlo.WhoisModule/1"
Q_DECLARE_INTERFACE(WhoisModule, WhoisModule_iid)
