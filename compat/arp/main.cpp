// arp with the Windows syntax, run by net-tools arp (or ip(8) to empty the whole table).
#include "ArpArgs.h"

int main(int argc, char **argv)
{
    const compat::ArpCommand command = compat::translateArp(compat::commandArguments(argc, argv));
    return compat::carryOut(command.translation, command.flushAll ? compat::ipProgram() : compat::arpProgram());
}
