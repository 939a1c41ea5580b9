#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// How one recipient's copy of a sent message fared.
enum class Delivery
{
    Pending,      // started, not yet ended
    Delivered,    // the receiver took it
    NameNotFound, // nothing on the network answers to the name
    Refused,      // the receiver answered but did not take it
    Unreachable,  // no answer, or nothing listens for messages there
    TooLong,      // the message or the name does not fit the protocol
    BadInput,     // net refused what it was given
    Failed,       // anything else: net did not start, was killed, or said nothing we know
};

// The words for a delivery: "delivered", "name not found", ...
inline QString deliveryText(Delivery delivery)
{
    switch (delivery) {
    case Delivery::Pending:
        return QStringLiteral("sending");
    case Delivery::Delivered:
        return QStringLiteral("delivered");
    case Delivery::NameNotFound:
        return QStringLiteral("name not found");
    case Delivery::Refused:
        return QStringLiteral("refused by the receiver");
    case Delivery::Unreachable:
        return QStringLiteral("unreachable");
    case Delivery::TooLong:
        return QStringLiteral("too long");
    case Delivery::BadInput:
        return QStringLiteral("cannot be carried");
    case Delivery::Failed:
        break;
    }
    return QStringLiteral("failed");
}

enum class Direction
{
    Sent,
    Received,
};

struct HistoryRecipient
{
    QString name;
    Delivery delivery = Delivery::Pending;
};

// One message as the history keeps it.
struct HistoryEntry
{
    qint64 id = 0;
    qint64 atMs = 0; // milliseconds since 1970, UTC
    Direction direction = Direction::Sent;
    QString sender; // who sent a received message; empty for one sent from here
    QString text;
    QString list;                       // "List1" to "List4" for a list send, else empty
    QList<HistoryRecipient> recipients; // in the order they were sent to; none for a received one
};

// Every message sent and received, kept where the user's data lives. Each record is whole when
// the call returns, or not there at all, and outlives the program.
class MessageHistory
{
public:
    virtual ~MessageHistory() = default;
    // Keeps a message sent to recipients, each Pending; its id, or 0 when it could not be kept.
    virtual qint64 recordSent(const QString &text, const QStringList &recipients, const QString &list) = 0;
    // How the copy of message id for recipient fared.
    virtual void recordDelivery(qint64 id, const QString &recipient, Delivery delivery) = 0;
    // Keeps a received message; its id, or 0 (also when one of the same origin is kept already).
    // origin names the message where it came from, so that one shown again after a restart is
    // kept once; an empty origin names none.
    virtual qint64 recordReceived(const QString &sender, const QString &text, const QString &origin) = 0;
    // At most limit messages, newest first, whose sender, text or a recipient holds filter
    // (letters A to Z in either case); all of them for an empty filter.
    virtual QList<HistoryEntry> find(const QString &filter, int limit) const = 0;
    // Why the history cannot be kept, in one sentence; empty while it can.
    virtual QString problem() const = 0;
};

// A history that keeps nothing, for a host that has none.
class NoHistory final : public MessageHistory
{
public:
    static NoHistory &instance()
    {
        static NoHistory none;
        return none;
    }
    qint64 recordSent(const QString &, const QStringList &, const QString &) override { return 0; }
    void recordDelivery(qint64, const QString &, Delivery) override {}
    qint64 recordReceived(const QString &, const QString &, const QString &) override { return 0; }
    QList<HistoryEntry> find(const QString &, int) const override { return {}; }
    QString problem() const override { return QStringLiteral("No history is kept here."); }
};
