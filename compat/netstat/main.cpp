// netstat with the Windows syntax: Linux netstat for the Internet families, and the Windows
// interface statistics table from the kernel's counters.
#include "NetstatArgs.h"
#include "platform/LocaleText.h"

#include <QCoreApplication>

using namespace compat;

int main(int argc, char **argv)
{
    const NetstatPlan plan = translateNetstat(commandArguments(argc, argv));
    if (!plan.text.isEmpty()) {
        LocaleText::print(plan.text);
        return plan.exitCode;
    }
    if (plan.interfaceStatistics) {
        LocaleText::print(formatInterfaceStatistics(readInterfaceCounters(QStringLiteral("/sys/class/net"))));
        if (!plan.netstatRuns.isEmpty())
            LocaleText::print(QStringLiteral("\n"));
    }
    // The last run replaces this process; any before it run to their end first.
    QCoreApplication application(argc, argv);
    for (qsizetype i = 0; i + 1 < plan.netstatRuns.size(); ++i) {
        const ProgramRun run = runProgram(netstatProgram(), plan.netstatRuns.at(i));
        if (!run.found) {
            LocaleText::print(missingProgramLine(netstatProgram()));
            return 1;
        }
        LocaleText::print(LocaleText::decode(run.output + run.errors) + u'\n');
    }
    if (plan.netstatRuns.isEmpty())
        return 0;
    // -o, as -p: only root sees the programs of other users' sockets, which netstat says in its
    // own words.
    static const QRegularExpression denied(QStringLiteral("you (would have to|should) be root"));
    if (plan.netstatRuns.constLast().contains(QStringLiteral("-p")))
        return runExplainingDenial(netstatProgram(), plan.netstatRuns.constLast(), denied,
                                   QStringLiteral("Other users' processes cannot be shown"));
    return execProgram(netstatProgram(), plan.netstatRuns.constLast());
}
