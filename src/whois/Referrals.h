#pragma once

#include "Query.h"

#include <QList>
#include <QStringView>

// The whois servers an answer names for the same question, in the order it names them, each
// once: refer: and whois: (whois.iana.org), Registrar WHOIS Server: (the .com and .net
// registry), and the last ReferralServer: whois://host[:port] (ARIN). Values that are no host
// name, and other schemes (rwhois://, http://), are passed over.
QList<WhoisServer> referrals(QStringView answer);

// Whether the answer says that its domain is to be looked up by RDAP only.
bool answersRdapOnly(QStringView answer);
