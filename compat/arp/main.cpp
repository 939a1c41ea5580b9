// arp with the Windows syntax, run by net-tools arp (or ip(8) to empty the whole table).
#include "ArpArgs.h"

int main(int argc, char **argv)
{
    const compat::ArpCommand command = compat::translateArp(compat::commandArguments(argc, argv));
    const compat::LinuxProgram program = command.flushAll ? compat::ipProgram() : compat::arpProgram();
    if (command.failure.isEmpty() || !command.translation.runs())
        return compat::carryOut(command.translation, program);
    // "SIOCDARP(dontpub): Operation not permitted", "Failed to send flush request: Operation not permitted"
    static const QRegularExpression denied(QStringLiteral("Operation not permitted"));
    return compat::runExplainingDenial(program, command.translation.arguments, denied, command.failure);
}
