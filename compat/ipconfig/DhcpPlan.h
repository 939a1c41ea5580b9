#pragma once

#include "LinuxProgram.h"

namespace compat {

LinuxProgram nmcliProgram();
LinuxProgram dhclientProgram();

// A dhclient daemon found running, by its command line.
struct DhclientProcess
{
    QStringList arguments;  // without the program name
    QStringList interfaces; // empty: it serves every interface
    QStringList options;    // the arguments without the interface names
};

// The interfaces a dhclient command line names, and nothing else.
DhclientProcess describeDhclient(const QStringList &arguments);

struct NmDevice
{
    QString name;
    QString type;  // "ethernet", "wifi", ...
    QString state; // "connected", "disconnected", "unmanaged", ...
};

// `nmcli -t -f DEVICE,TYPE,STATE device` lines.
QList<NmDevice> parseNmcliDevices(const QString &text);

// What is there to renew or release addresses with.
struct DhcpClients
{
    bool networkManagerRunning = false;
    bool nmcliInstalled = false;
    QList<NmDevice> nmDevices;
    bool dhclientInstalled = false;
    QList<DhclientProcess> dhclients;
    QStringList declaredDhcp; // interfaces ifupdown configures with "inet dhcp"
    QStringList interfaces;   // every interface there is
};

struct DhcpStep
{
    enum Program
    {
        Nmcli,
        Dhclient
    } program;
    QStringList arguments;
};

struct DhcpPlan
{
    QList<DhcpStep> steps;
    QString text; // when there are no steps: why not
};

// The commands that renew or release the matching adapters through the DHCP client that
// already manages them: NetworkManager when it runs, else the dhclient daemons. Never a
// client for an interface that nothing manages, and every dhclient command names exactly the
// chosen interfaces: without names it would act on every interface there is.
DhcpPlan planDhcp(bool renew, const QString &adapterPattern, const DhcpClients &clients);

// Whether a command's output says it lacked the rights.
bool saysPermissionDenied(const QString &output);

QString noAdapterText();
QString noClientText();
// Renewing (or releasing) was refused for lack of rights.
QString permissionText(bool renew);

// Interfaces declared "iface NAME inet dhcp" in an /etc/network/interfaces text.
QStringList parseDeclaredDhcp(const QString &text);

} // namespace compat
