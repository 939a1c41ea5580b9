#pragma once

#include "LinuxProgram.h"

namespace compat {

LinuxProgram netstatProgram();

// What a Windows netstat command line asks for, in the order it is shown.
struct NetstatPlan
{
    bool interfaceStatistics = false; // -e: the table built from the kernel's counters
    QList<QStringList> netstatRuns;   // then each of these through Linux netstat
    QString text;                     // instead of all that: usage or error
    int exitCode = 0;
};

// Internet connections only; -a, -n as they are, -r as the numeric routing table, -s as it
// is, -o with the owning programs, -p PROTO as a protocol filter. Flags combine ("-an").
NetstatPlan translateNetstat(const QStringList &arguments);

QString netstatUsage();

// One interface's counters, as /sys/class/net/NAME/statistics holds them.
struct InterfaceCounters
{
    QString name;
    quint64 rxBytes = 0, txBytes = 0;
    quint64 rxPackets = 0, txPackets = 0;
    quint64 multicast = 0; // received
    quint64 rxDropped = 0, txDropped = 0;
    quint64 rxErrors = 0, txErrors = 0;
    quint64 rxNoHandler = 0;
};

// The counters of every interface under a folder laid out like /sys/class/net, by name.
QList<InterfaceCounters> readInterfaceCounters(const QString &classNetFolder);

// The Windows "Interface Statistics" table over all interfaces, then one row per interface.
QString formatInterfaceStatistics(const QList<InterfaceCounters> &interfaces);

} // namespace compat
