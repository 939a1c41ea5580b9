#include "Smb.h"

#include <QtEndian>

namespace Smb {
namespace {

constexpr qsizetype headerSize = 32;
constexpr quint8 flagReply = 0x80;
constexpr quint8 flagCaseless = 0x08;
constexpr quint16 flags2NtStatus = 0x4000;
constexpr quint32 ntRequestNotAccepted = 0xC00000D0;

void appendLe16(QByteArray &out, quint16 value)
{
    out.append(char(value & 0xFF));
    out.append(char(value >> 8));
}

QByteArray packet(Command command, quint16 mid, const QList<quint16> &words, QByteArrayView bytes)
{
    QByteArray out("\xFFSMB", 4);
    out.append(char(command));
    out.append(QByteArray(4, '\0')); // status
    out.append(char(flagCaseless));
    appendLe16(out, 0);               // flags2: OEM strings, DOS errors
    out.append(QByteArray(12, '\0')); // PID high, security features, reserved
    appendLe16(out, 0);               // TID
    appendLe16(out, 0);               // PID
    appendLe16(out, 0);               // UID
    appendLe16(out, mid);
    out.append(char(words.size()));
    for (const quint16 word : words)
        appendLe16(out, word);
    appendLe16(out, quint16(bytes.size()));
    out.append(bytes);
    return out;
}

} // namespace

QByteArray sendStart(QByteArrayView sender, QByteArrayView recipient, quint16 mid)
{
    QByteArray bytes;
    bytes.append('\x04'); // ASCII string
    bytes.append(sender);
    bytes.append('\0');
    bytes.append('\x04');
    bytes.append(recipient);
    bytes.append('\0');
    return packet(SendStart, mid, {}, bytes);
}

QByteArray sendText(quint16 group, QByteArrayView block, quint16 mid)
{
    QByteArray bytes;
    bytes.append('\x01'); // data block
    appendLe16(bytes, quint16(block.size()));
    bytes.append(block);
    return packet(SendText, mid, {group}, bytes);
}

QByteArray sendEnd(quint16 group, quint16 mid)
{
    return packet(SendEnd, mid, {group}, {});
}

QList<QByteArray> blocks(QByteArrayView text)
{
    QList<QByteArray> result;
    for (qsizetype start = 0; start < text.size(); start += maxBlock)
        result.append(text.sliced(start, std::min(maxBlock, text.size() - start)).toByteArray());
    return result;
}

std::optional<Reply> parseReply(QByteArrayView data)
{
    if (data.size() < headerSize + 3 || !data.startsWith(QByteArrayView("\xFFSMB", 4)))
        return std::nullopt;
    if (!(quint8(data[9]) & flagReply))
        return std::nullopt;
    Reply reply;
    reply.command = quint8(data[4]);
    const quint16 flags2 = qFromLittleEndian<quint16>(data.data() + 10);
    reply.status.nt = flags2 & flags2NtStatus;
    reply.status.code = reply.status.nt ? qFromLittleEndian<quint32>(data.data() + 5)
                                        : quint32(quint8(data[5])) << 16 | qFromLittleEndian<quint16>(data.data() + 7);
    const int wordCount = quint8(data[headerSize]);
    const qsizetype byteCountAt = headerSize + 1 + 2 * wordCount;
    if (byteCountAt + 2 > data.size())
        return std::nullopt;
    for (int i = 0; i < wordCount; ++i)
        reply.words.append(qFromLittleEndian<quint16>(data.data() + headerSize + 1 + 2 * i));
    const quint16 byteCount = qFromLittleEndian<quint16>(data.data() + byteCountAt);
    if (byteCountAt + 2 + byteCount > data.size())
        return std::nullopt;
    reply.bytes = data.sliced(byteCountAt + 2, byteCount).toByteArray();
    return reply;
}

QString describe(const Status &status)
{
    if (status.nt) {
        if (status.code == ntRequestNotAccepted)
            return QStringLiteral("NT_STATUS_REQUEST_NOT_ACCEPTED");
        return QStringLiteral("NT status 0x%1").arg(status.code, 8, 16, QLatin1Char('0'));
    }
    return QStringLiteral("DOS error class %1, code %2").arg(status.code >> 16).arg(status.code & 0xFFFF);
}

} // namespace Smb
