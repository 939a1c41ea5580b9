#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The SMB1 multi-block message commands, as packets without the session header. Pure functions.
namespace Smb {

enum Command : quint8
{
    SendStart = 0xD5,
    SendEnd = 0xD6,
    SendText = 0xD7,
};

// One send-text block carries at most this many bytes of text.
constexpr qsizetype maxBlock = 127;
// A receiver keeps at most this many bytes of one message.
constexpr qsizetype maxMessage = 1600;

// sender and recipient are code page 850 names without NULs.
QByteArray sendStart(QByteArrayView sender, QByteArrayView recipient, quint16 mid);
QByteArray sendText(quint16 group, QByteArrayView block, quint16 mid);
QByteArray sendEnd(quint16 group, quint16 mid);

// The text cut into blocks of at most maxBlock bytes; an empty text gives no block.
QList<QByteArray> blocks(QByteArrayView text);

struct Status
{
    bool nt = false;  // a 32-bit NT status, else a DOS error class and code
    quint32 code = 0; // NT status, or class << 16 | DOS code
    bool ok() const { return code == 0; }
    bool operator==(const Status &) const = default;
};

struct Reply
{
    quint8 command = 0;
    Status status;
    QList<quint16> words;
    QByteArray bytes;
};

// A server's reply; nothing when the packet is no well-formed SMB1 reply.
std::optional<Reply> parseReply(QByteArrayView packet);

// The status as the receiver's answer, for the one line that explains a failure.
QString describe(const Status &status);

} // namespace Smb
