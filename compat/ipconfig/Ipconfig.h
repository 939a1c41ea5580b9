#pragma once

#include "LinuxProgram.h"

#include <QDateTime>
#include <QList>
#include <QMap>

#include <optional>

namespace compat {

enum class IpconfigAction
{
    Show,
    ShowAll,
    Renew,
    Release,
    Text
};

struct IpconfigRequest
{
    IpconfigAction action = IpconfigAction::Show;
    QString adapter;  // /renew and /release: a name, * and ? allowed; empty for all
    QString text;     // IpconfigAction::Text: what to print
    int exitCode = 0; // with the text
};

IpconfigRequest parseIpconfigArgs(const QStringList &arguments);
QString ipconfigUsage();

struct IpAddress
{
    bool v6 = false;
    QString local;
    int prefixLength = 0;
    QString scope;        // "global", "link", "host"
    bool dynamic = false; // has a limited lifetime: DHCP or autoconfiguration
    bool temporary = false;
    bool deprecated = false;
};

struct Adapter
{
    int index = 0;
    QString name;
    QString linkType; // "ether", "loopback", "none", ...
    QString macAddress;
    bool up = false; // administratively up with a carrier
    QList<IpAddress> addresses;

    bool dhcp() const; // holds a dynamic IPv4 address
};

struct Route
{
    QString device;
    QString gateway;
};

// `ip -j addr` to adapters; unreadable text gives none.
QList<Adapter> parseIpAddr(const QByteArray &json);
// The default routes of `ip -j route` and `ip -j -6 route`.
QList<Route> parseDefaultRoutes(const QByteArray &json);

struct Lease
{
    QDateTime obtained; // invalid when the lease does not tell
    QDateTime expires;
    QString server;
    QString domain;
};

// The newest lease for the interface in a dhclient lease file.
std::optional<Lease> parseDhclientLease(const QString &text, const QString &interfaceName);
// A lease in the KEY=value form of NetworkManager's and systemd-networkd's files, written at
// the given time.
std::optional<Lease> parseKeyValueLease(const QString &text, const QDateTime &written);

// What ipconfig /all shows of the computer as a whole.
struct MachineFacts
{
    QString hostName;
    QString primaryDnsSuffix;
    QStringList searchList;
    QStringList dnsServers;
    bool routing = false;
};

struct AdapterFacts
{
    QString description;
    bool wireless = false;
    std::optional<Lease> lease;
};

// "255.255.255.0" for 24.
QString subnetMask(int prefixLength);
// "AA-BB-CC-DD-EE-FF" for "aa:bb:cc:dd:ee:ff".
QString physicalAddress(const QString &macAddress);
// A Windows field line: "   IPv4 Address. . . . . . . . . . . : 10.0.0.1".
QString field(const QString &label, const QString &value);

struct IpconfigFacts
{
    QList<Adapter> adapters;
    QList<Route> defaultRoutes;
    MachineFacts host;
    QMap<QString, AdapterFacts> adapterFacts; // by adapter name
};

// The adapters in the Windows layout; `all` adds the host block and the details.
QString formatIpconfig(const IpconfigFacts &facts, bool all);

// Loose parsing of /etc/resolv.conf: its name servers, search list and domain.
void readResolvConf(const QString &text, MachineFacts &host);

} // namespace compat
