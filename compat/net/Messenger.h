#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <QStringList>

#include <optional>

// The network side of `net`: finding computers and delivering a message to one.

struct Timeouts
{
    int queryMs = 2000;    // one NetBIOS name or node status query
    int resolverMs = 5000; // the system's host resolver
    int connectMs = 5000;  // the TCP connection
    int replyMs = 5000;    // each answer of the receiver
};

// The IPv4 addresses on which a broadcast reaches the local subnets.
QList<QHostAddress> localBroadcastAddresses();

// Whether name is an IPv4 address in dotted form.
bool isIpv4Literal(const QString &name);

// Where name is: an IPv4 address as it is; else a broadcast query for name<03> on the local
// subnets; else the system's host resolver. Nothing when none of them knows it.
std::optional<QHostAddress> resolve(const QString &name, const Timeouts &timeouts);

// The unique messenger name (suffix 03) that the node at address answers a status query with.
QByteArray messengerNameAt(const QHostAddress &address, int waitMs);

struct Delivery
{
    bool ok = false;
    QString reason; // why not, as one sentence
};

// Delivers text (code page 850) from sender to recipient at address, calling calledName<calledSuffix>.
Delivery deliver(const QHostAddress &address, QByteArrayView calledName, quint8 calledSuffix, QByteArrayView sender,
                 QByteArrayView recipient, QByteArrayView text, const Timeouts &timeouts);

// The names of the computers that answer a node status query on the local subnets within waitMs.
QStringList findComputers(int waitMs);
