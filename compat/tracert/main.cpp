// tracert with the Windows syntax, run by traceroute.
#include "TracertArgs.h"

int main(int argc, char **argv)
{
    return compat::carryOut(compat::translateTracert(compat::commandArguments(argc, argv)),
                            compat::tracerouteProgram());
}
