// nslookup with the Windows syntax, run by BIND's nslookup, never interactively.
#include "NslookupArgs.h"

int main(int argc, char **argv)
{
    return compat::carryOut(compat::translateNslookup(compat::commandArguments(argc, argv)), compat::nslookupProgram());
}
