#include "WhoisWindows.h"

#include "whois.h"

WindowMakers whoisWindowMakers()
{
    return {{QStringLiteral("whois"), windowMaker<whois>()}};
}
