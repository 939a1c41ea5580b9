// ping with the Windows syntax, run by iputils ping.
#include "PingArgs.h"

int main(int argc, char **argv)
{
    return compat::carryOut(compat::translatePing(compat::commandArguments(argc, argv)), compat::pingProgram());
}
