#include "DhcpPlan.h"

#include <QRegularExpression>

namespace compat {

LinuxProgram nmcliProgram()
{
    return {QStringLiteral("nmcli"),
            {QStringLiteral("/usr/bin/nmcli"), QStringLiteral("/bin/nmcli")},
            QStringLiteral("network-manager")};
}

LinuxProgram dhclientProgram()
{
    return {QStringLiteral("dhclient"),
            {QStringLiteral("/usr/sbin/dhclient"), QStringLiteral("/sbin/dhclient")},
            QStringLiteral("isc-dhcp-client")};
}

QString noAdapterText()
{
    return QStringLiteral("The operation failed as no adapter is in the state permissible for this operation.\n");
}

QString noClientText()
{
    return QStringLiteral("No DHCP client is available: NetworkManager is not running and no dhclient "
                          "(Debian package isc-dhcp-client) manages an adapter.\n");
}

QString permissionText(bool renew)
{
    return deniedLine(renew ? QStringLiteral("An error occurred while renewing the adapters' addresses")
                            : QStringLiteral("An error occurred while releasing the adapters' addresses"));
}

DhclientProcess describeDhclient(const QStringList &arguments)
{
    static const QStringList withValue = {QStringLiteral("-p"),
                                          QStringLiteral("-s"),
                                          QStringLiteral("-g"),
                                          QStringLiteral("-cf"),
                                          QStringLiteral("-df"),
                                          QStringLiteral("-lf"),
                                          QStringLiteral("-pf"),
                                          QStringLiteral("-sf"),
                                          QStringLiteral("-e"),
                                          QStringLiteral("-D"),
                                          QStringLiteral("-timeout"),
                                          QStringLiteral("--decline-wait-time"),
                                          QStringLiteral("--dad-wait-time"),
                                          QStringLiteral("--prefix-len-hint"),
                                          QStringLiteral("--address-prefix-len")};
    DhclientProcess process{arguments, {}, {}};
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (withValue.contains(argument) && i + 1 < arguments.size()) {
            process.options << argument << arguments.at(i + 1);
            ++i;
        } else if (!argument.startsWith(u'-')) {
            process.interfaces.append(argument);
        } else {
            process.options.append(argument);
        }
    }
    return process;
}

QList<NmDevice> parseNmcliDevices(const QString &text)
{
    QList<NmDevice> devices;
    for (const QString &line : text.split(u'\n', Qt::SkipEmptyParts)) {
        // Terse mode escapes colons inside fields as "\:"; device names hold none.
        const QStringList fields = line.split(u':');
        if (fields.size() >= 3)
            devices.append({fields.at(0), fields.at(1), fields.at(2)});
    }
    return devices;
}

QStringList parseDeclaredDhcp(const QString &text)
{
    QStringList names;
    for (const QString &line : text.split(u'\n')) {
        const QStringList words = line.simplified().split(u' ');
        if (words.size() >= 4 && words.at(0) == u"iface" && words.at(2) == u"inet" && words.at(3) == u"dhcp")
            names.append(words.at(1));
    }
    return names;
}

bool saysPermissionDenied(const QString &output)
{
    static const QRegularExpression denied(
        QStringLiteral("not authori[sz]ed|permission denied|operation not permitted|insufficient privileges"),
        QRegularExpression::CaseInsensitiveOption);
    return denied.match(output).hasMatch();
}

namespace {

bool matches(const QString &name, const QString &pattern)
{
    if (pattern.isEmpty())
        return true;
    const QRegularExpression expression(QRegularExpression::wildcardToRegularExpression(pattern),
                                        QRegularExpression::CaseInsensitiveOption);
    return expression.match(name).hasMatch();
}

// The dhclient options that find a running daemon again: its pid and lease files.
QStringList daemonFiles(const QStringList &arguments)
{
    QStringList files;
    for (qsizetype i = 0; i + 1 < arguments.size(); ++i) {
        if (arguments.at(i) == u"-pf" || arguments.at(i) == u"-lf")
            files << arguments.at(i) << arguments.at(i + 1);
    }
    return files;
}

DhcpPlan planNetworkManager(bool renew, const QString &pattern, const DhcpClients &clients)
{
    DhcpPlan plan;
    for (const NmDevice &device : clients.nmDevices) {
        if ((device.type != u"ethernet" && device.type != u"wifi") || !matches(device.name, pattern))
            continue;
        if (renew && device.state != u"unmanaged" && device.state != u"unavailable")
            plan.steps.append({DhcpStep::Nmcli, {QStringLiteral("device"), QStringLiteral("connect"), device.name}});
        else if (!renew && device.state == u"connected")
            plan.steps.append({DhcpStep::Nmcli, {QStringLiteral("device"), QStringLiteral("disconnect"), device.name}});
    }
    if (plan.steps.isEmpty())
        plan.text = noAdapterText();
    return plan;
}

// The steps for one running dhclient daemon, for the matching interfaces it serves that no
// earlier daemon took (they join `handled`).
void planDaemon(bool renew, const QString &pattern, const DhclientProcess &process, const DhcpClients &clients,
                QStringList &handled, DhcpPlan &plan)
{
    const QStringList served = process.interfaces.isEmpty() ? clients.interfaces : process.interfaces;
    QStringList chosen;
    QStringList others;
    for (const QString &name : served) {
        if (name == u"lo")
            continue;
        if (matches(name, pattern) && !handled.contains(name))
            chosen.append(name);
        else
            others.append(name);
    }
    if (chosen.isEmpty())
        return;
    handled += chosen;
    const QStringList files = daemonFiles(process.arguments);
    // -r and -x end the daemon (found by its pid file) and then release or stop the
    // interfaces they name, every interface when they name none: so always name them.
    // A restarted daemon runs in the background: with -d it would never hand back control.
    QStringList options = process.options;
    options.removeAll(QStringLiteral("-d"));
    if (!renew) {
        plan.steps.append({DhcpStep::Dhclient, QStringList{QStringLiteral("-r")} + files + chosen});
        // The daemon served more than the chosen: it comes back for the others alone.
        if (!others.isEmpty())
            plan.steps.append({DhcpStep::Dhclient, options + others});
        return;
    }
    // Renewing restarts the daemon with its own command line: it asks its server for its
    // lease again.
    plan.steps.append({DhcpStep::Dhclient, QStringList{QStringLiteral("-x")} + files + chosen});
    plan.steps.append({DhcpStep::Dhclient, options + process.interfaces});
}

// A new daemon for each matching interface that ifupdown hands to dhclient and no running
// daemon serves: a release ended it.
void planDeclared(const QString &pattern, const DhcpClients &clients, QStringList &handled, DhcpPlan &plan)
{
    for (const QString &name : clients.declaredDhcp) {
        if (handled.contains(name) || !matches(name, pattern) || !clients.interfaces.contains(name))
            continue;
        handled.append(name);
        plan.steps.append(
            {DhcpStep::Dhclient,
             {QStringLiteral("-pf"), QStringLiteral("/run/dhclient.%1.pid").arg(name), QStringLiteral("-lf"),
              QStringLiteral("/var/lib/dhcp/dhclient.%1.leases").arg(name), name}});
    }
}

} // namespace

DhcpPlan planDhcp(bool renew, const QString &adapterPattern, const DhcpClients &clients)
{
    if (clients.networkManagerRunning && clients.nmcliInstalled)
        return planNetworkManager(renew, adapterPattern, clients);
    if (!clients.dhclientInstalled || (clients.dhclients.isEmpty() && clients.declaredDhcp.isEmpty()))
        return {{}, noClientText()};

    DhcpPlan plan;
    QStringList handled;
    for (const DhclientProcess &process : clients.dhclients)
        planDaemon(renew, adapterPattern, process, clients, handled, plan);
    if (renew)
        planDeclared(adapterPattern, clients, handled, plan);
    if (plan.steps.isEmpty())
        plan.text = noAdapterText();
    return plan;
}

} // namespace compat
