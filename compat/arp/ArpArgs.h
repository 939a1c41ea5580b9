#pragma once

#include "LinuxProgram.h"

namespace compat {

LinuxProgram arpProgram();

struct ArpCommand
{
    bool flushAll = false; // arp -d *: through ip(8), which Linux arp cannot do
    Translation translation;
    QString failure; // what failed when Linux refuses the change for lack of rights; empty for -a
};

// -a and -g as arp -a -n (no name lookups), -d, -s with the 00-aa-00-62-c6-09 form.
ArpCommand translateArp(const QStringList &arguments);

// "00:aa:00:62:c6:09" for "00-aa-00-62-c6-09" (or the colon form); empty when it is not six
// hexadecimal bytes.
QString linuxHardwareAddress(const QString &windowsAddress);

QString arpUsage();

} // namespace compat
