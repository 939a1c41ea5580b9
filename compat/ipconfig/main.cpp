// ipconfig with the Windows syntax and layout, from ip(8), with renewing and releasing through
// the DHCP client that already manages each adapter.
#include "DhcpPlan.h"
#include "Ipconfig.h"
#include "platform/LinuxFacts.h"
#include "platform/LocaleText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

using namespace compat;

namespace {

QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
}

// The command lines of the running processes.
QList<QStringList> runningCommandLines()
{
    QList<QStringList> lines;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool number = false;
        entry.toInt(&number);
        if (!number)
            continue;
        QFile file(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        QStringList words;
        for (const QByteArray &word : file.readAll().split('\0'))
            words.append(QString::fromLocal8Bit(word));
        while (!words.isEmpty() && words.constLast().isEmpty())
            words.removeLast();
        if (!words.isEmpty())
            lines.append(words);
    }
    return lines;
}

QString programName(const QStringList &commandLine)
{
    return QFileInfo(commandLine.value(0)).fileName();
}

std::optional<Lease> findLease(const Adapter &adapter, const QList<QStringList> &processes)
{
    QStringList dhclientFiles;
    for (const QStringList &line : processes) {
        if (programName(line) != u"dhclient")
            continue;
        const DhclientProcess process = describeDhclient(line.mid(1));
        const qsizetype at = line.indexOf(QStringLiteral("-lf"));
        if (at > 0 && at + 1 < line.size() &&
            (process.interfaces.isEmpty() || process.interfaces.contains(adapter.name)))
            dhclientFiles.append(line.at(at + 1));
    }
    dhclientFiles << QStringLiteral("/var/lib/dhcp/dhclient.%1.leases").arg(adapter.name)
                  << QStringLiteral("/var/lib/dhcp/dhclient.leases");
    for (const QString &path : dhclientFiles) {
        if (auto lease = parseDhclientLease(readText(path), adapter.name))
            return lease;
    }
    QStringList keyValueFiles = {QStringLiteral("/run/systemd/netif/leases/%1").arg(adapter.index)};
    const QDir networkManager(QStringLiteral("/var/lib/NetworkManager"));
    for (const QString &name : networkManager.entryList({QStringLiteral("internal-*-%1.lease").arg(adapter.name)}))
        keyValueFiles.append(networkManager.filePath(name));
    for (const QString &path : keyValueFiles) {
        if (auto lease = parseKeyValueLease(readText(path), QFileInfo(path).lastModified()))
            return lease;
    }
    return std::nullopt;
}

AdapterFacts adapterFacts(const Adapter &adapter, const QList<QStringList> &processes)
{
    const QString sys = QStringLiteral("/sys/class/net/") + adapter.name;
    AdapterFacts facts;
    facts.wireless =
        QFileInfo::exists(sys + QStringLiteral("/wireless")) || QFileInfo::exists(sys + QStringLiteral("/phy80211"));
    const QString driver = QFileInfo(sys + QStringLiteral("/device/driver")).symLinkTarget();
    QString deviceType;
    for (const QString &line : readText(sys + QStringLiteral("/uevent")).split(u'\n')) {
        if (line.startsWith(QStringLiteral("DEVTYPE=")))
            deviceType = line.mid(8);
    }
    if (adapter.linkType == u"loopback")
        facts.description = QStringLiteral("Software Loopback Interface");
    else if (!driver.isEmpty())
        facts.description = QFileInfo(driver).fileName();
    else if (!deviceType.isEmpty())
        facts.description = deviceType;
    else
        facts.description = QStringLiteral("Virtual adapter");
    facts.lease = findLease(adapter, processes);
    return facts;
}

// Everything the layout shows; nullopt after printing why not.
std::optional<IpconfigFacts> gatherFacts(bool all)
{
    const ProgramRun addresses = runProgram(ipProgram(), {QStringLiteral("-j"), QStringLiteral("addr")});
    if (!addresses.found) {
        LocaleText::print(missingProgramLine(ipProgram()));
        return std::nullopt;
    }
    if (addresses.exitCode != 0) {
        LocaleText::print(LocaleText::decode(addresses.output + addresses.errors));
        return std::nullopt;
    }
    IpconfigFacts facts;
    facts.adapters = parseIpAddr(addresses.output);
    for (const QStringList &family : {QStringList{}, QStringList{QStringLiteral("-6")}}) {
        const ProgramRun routes =
            runProgram(ipProgram(), QStringList{QStringLiteral("-j")} + family + QStringList{QStringLiteral("route")});
        facts.defaultRoutes += parseDefaultRoutes(routes.output);
    }
    if (!all)
        return facts;
    facts.host.hostName = systemHostName().value_or(QString());
    readResolvConf(readText(QStringLiteral("/etc/resolv.conf")), facts.host);
    facts.host.routing = readText(QStringLiteral("/proc/sys/net/ipv4/ip_forward")).trimmed() == u"1";
    const QList<QStringList> processes = runningCommandLines();
    for (const Adapter &adapter : std::as_const(facts.adapters))
        facts.adapterFacts.insert(adapter.name, adapterFacts(adapter, processes));
    return facts;
}

int show(bool all)
{
    const std::optional<IpconfigFacts> facts = gatherFacts(all);
    if (!facts)
        return 1;
    LocaleText::print(formatIpconfig(*facts, all));
    return 0;
}

DhcpClients findDhcpClients()
{
    DhcpClients clients;
    const QList<QStringList> processes = runningCommandLines();
    for (const QStringList &line : processes) {
        const QString name = programName(line);
        if (name == u"NetworkManager")
            clients.networkManagerRunning = true;
        else if (name == u"dhclient")
            clients.dhclients.append(describeDhclient(line.mid(1)));
    }
    clients.nmcliInstalled = !locateProgram(nmcliProgram()).isEmpty();
    if (clients.networkManagerRunning && clients.nmcliInstalled) {
        const ProgramRun devices =
            runProgram(nmcliProgram(), {QStringLiteral("-t"), QStringLiteral("-f"), QStringLiteral("DEVICE,TYPE,STATE"),
                                        QStringLiteral("device")});
        clients.nmDevices = parseNmcliDevices(LocaleText::decode(devices.output));
    }
    clients.dhclientInstalled = !locateProgram(dhclientProgram()).isEmpty();
    QString declared = readText(QStringLiteral("/etc/network/interfaces"));
    const QDir more(QStringLiteral("/etc/network/interfaces.d"));
    for (const QString &name : more.entryList(QDir::Files))
        declared += u'\n' + readText(more.filePath(name));
    clients.declaredDhcp = parseDeclaredDhcp(declared);
    clients.interfaces = QDir(QStringLiteral("/sys/class/net")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    return clients;
}

int changeLeases(bool renew, const QString &adapter)
{
    const DhcpPlan plan = planDhcp(renew, adapter, findDhcpClients());
    if (plan.steps.isEmpty()) {
        LocaleText::print(plan.text);
        return 1;
    }
    for (const DhcpStep &step : plan.steps) {
        if (step.program == DhcpStep::Dhclient && ::geteuid() != 0) {
            LocaleText::print(permissionText(renew));
            return 1;
        }
    }
    for (const DhcpStep &step : plan.steps) {
        const LinuxProgram program = step.program == DhcpStep::Nmcli ? nmcliProgram() : dhclientProgram();
        const ProgramRun run = runProgram(program, step.arguments);
        const QString output = LocaleText::decode(run.output + run.errors);
        const bool failed = !run.found || !run.started || run.exitCode != 0;
        // The client's own words for a refusal ("Not authorized to control networking") say less.
        if (failed && saysPermissionDenied(output)) {
            LocaleText::print(permissionText(renew));
            return 1;
        }
        LocaleText::print(output);
        if (failed) {
            LocaleText::print(QStringLiteral("%1 %2 failed.\n").arg(program.name, step.arguments.join(u' ')));
            return 1;
        }
    }
    return show(false);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const IpconfigRequest request = parseIpconfigArgs(commandArguments(argc, argv));
    switch (request.action) {
    case IpconfigAction::Text:
        LocaleText::print(request.text);
        return request.exitCode;
    case IpconfigAction::Show:
    case IpconfigAction::ShowAll:
        return show(request.action == IpconfigAction::ShowAll);
    case IpconfigAction::Renew:
    case IpconfigAction::Release:
        return changeLeases(request.action == IpconfigAction::Renew, request.adapter);
    }
    return 1;
}
