#include "NetBios.h"

#include "Cp850.h"

#include <QtEndian>

namespace NetBios {
namespace {

constexpr quint16 typeNb = 0x0020;
constexpr quint16 typeNbstat = 0x0021;
constexpr quint16 classIn = 0x0001;
constexpr quint16 flagResponse = 0x8000;
constexpr quint16 flagRecursionDesired = 0x0100;
constexpr quint16 flagBroadcast = 0x0010;
constexpr quint16 opcodeMask = 0x7800;
constexpr quint16 rcodeMask = 0x000F;
constexpr qsizetype headerSize = 12;
constexpr qsizetype encodedNameSize = 34;

void appendU16(QByteArray &out, quint16 value)
{
    out.append(char(value >> 8));
    out.append(char(value & 0xFF));
}

quint16 u16At(QByteArrayView data, qsizetype offset)
{
    return qFromBigEndian<quint16>(data.data() + offset);
}

QByteArray request(quint16 id, quint16 flags, QByteArrayView name, quint8 suffix, quint16 type)
{
    QByteArray out;
    appendU16(out, id);
    appendU16(out, flags);
    appendU16(out, 1); // one question
    appendU16(out, 0);
    appendU16(out, 0);
    appendU16(out, 0);
    out.append(encodeName(name, suffix));
    appendU16(out, type);
    appendU16(out, classIn);
    return out;
}

// Checks a response's header and steps over its answer's name, type, class and TTL; gives the
// offset of RDLENGTH.
std::optional<qsizetype> answerData(QByteArrayView packet, quint16 id, quint16 type)
{
    if (packet.size() < headerSize || u16At(packet, 0) != id)
        return std::nullopt;
    const quint16 flags = u16At(packet, 2);
    if (!(flags & flagResponse) || (flags & opcodeMask) != 0 || (flags & rcodeMask) != 0)
        return std::nullopt;
    if (u16At(packet, 6) < 1) // answer count
        return std::nullopt;
    qsizetype offset = headerSize;
    // Skip any echoed question (responses normally carry none).
    for (quint16 q = u16At(packet, 4); q > 0; --q) {
        if (!decodeName(packet, offset, &offset) || offset + 4 > packet.size())
            return std::nullopt;
        offset += 4;
    }
    if (offset < packet.size() && (quint8(packet[offset]) & 0xC0) == 0xC0)
        offset += 2; // a pointer back to the question's name
    else if (!decodeName(packet, offset, &offset))
        return std::nullopt;
    if (offset + 10 > packet.size() || u16At(packet, offset) != type || u16At(packet, offset + 2) != classIn)
        return std::nullopt;
    return offset + 8;
}

QByteArray trimmedName(QByteArrayView padded)
{
    qsizetype end = padded.size();
    while (end > 0 && (padded[end - 1] == ' ' || padded[end - 1] == '\0'))
        --end;
    return padded.first(end).toByteArray();
}

} // namespace

QByteArray netbiosForm(const QString &name)
{
    QString form = name.section(QLatin1Char('.'), 0, 0).toUpper().left(15);
    QByteArray bytes;
    for (const QChar c : std::as_const(form)) {
        const Cp850::Encoding encoded = Cp850::encode(QStringView(&c, 1));
        bytes.append(encoded.ok() ? encoded.bytes : QByteArray("_"));
    }
    return bytes;
}

QByteArray encodeName(QByteArrayView name, quint8 suffix)
{
    QByteArray raw = name.first(std::min<qsizetype>(name.size(), 15)).toByteArray();
    // The wildcard name is padded with NULs, every other name with blanks.
    raw = raw.leftJustified(15, raw == "*" ? '\0' : ' ');
    raw.append(char(suffix));
    QByteArray out;
    out.reserve(encodedNameSize);
    out.append(char(32));
    for (const char c : std::as_const(raw)) {
        const auto byte = static_cast<quint8>(c);
        out.append(char('A' + (byte >> 4)));
        out.append(char('A' + (byte & 0x0F)));
    }
    out.append('\0');
    return out;
}

std::optional<Name> decodeName(QByteArrayView packet, qsizetype offset, qsizetype *next)
{
    if (offset < 0 || offset + encodedNameSize > packet.size() || packet[offset] != 32)
        return std::nullopt;
    QByteArray raw;
    for (qsizetype i = 0; i < 16; ++i) {
        const int high = packet[offset + 1 + 2 * i] - 'A';
        const int low = packet[offset + 2 + 2 * i] - 'A';
        if (high < 0 || high > 15 || low < 0 || low > 15)
            return std::nullopt;
        raw.append(char(high << 4 | low));
    }
    // Scope labels, if any, end with a zero length byte.
    qsizetype end = offset + 33;
    while (end < packet.size() && packet[end] != '\0') {
        const auto label = static_cast<quint8>(packet[end]);
        if (label > 63)
            return std::nullopt;
        end += 1 + label;
    }
    if (end >= packet.size())
        return std::nullopt;
    if (next)
        *next = end + 1;
    return Name{trimmedName(QByteArrayView(raw).first(15)), static_cast<quint8>(raw[15])};
}

QByteArray nameQuery(quint16 id, QByteArrayView name, quint8 suffix, bool broadcast)
{
    return request(id, flagRecursionDesired | (broadcast ? flagBroadcast : 0), name, suffix, typeNb);
}

QByteArray nodeStatusQuery(quint16 id, QByteArrayView name, quint8 suffix)
{
    return request(id, 0, name, suffix, typeNbstat);
}

std::optional<QList<QHostAddress>> parseNameQueryResponse(QByteArrayView packet, quint16 id)
{
    const std::optional<qsizetype> data = answerData(packet, id, typeNb);
    if (!data)
        return std::nullopt;
    const quint16 length = u16At(packet, *data);
    const qsizetype start = *data + 2;
    if (length % 6 != 0 || length == 0 || start + length > packet.size())
        return std::nullopt;
    QList<QHostAddress> addresses;
    for (qsizetype entry = start; entry < start + length; entry += 6)
        addresses.append(QHostAddress(qFromBigEndian<quint32>(packet.data() + entry + 2)));
    return addresses;
}

std::optional<QList<NodeName>> parseNodeStatusResponse(QByteArrayView packet, quint16 id)
{
    const std::optional<qsizetype> data = answerData(packet, id, typeNbstat);
    if (!data)
        return std::nullopt;
    const quint16 length = u16At(packet, *data);
    const qsizetype start = *data + 2;
    if (length < 1 || start + length > packet.size())
        return std::nullopt;
    const int count = quint8(packet[start]);
    if (1 + 18 * count > length)
        return std::nullopt;
    QList<NodeName> table;
    for (int i = 0; i < count; ++i) {
        const qsizetype entry = start + 1 + 18 * i;
        const quint16 flags = u16At(packet, entry + 16);
        table.append({trimmedName(packet.sliced(entry, 15)), quint8(packet[entry + 15]), bool(flags & 0x8000)});
    }
    return table;
}

QByteArray computerName(const QList<NodeName> &table)
{
    for (const quint8 suffix : {serverSuffix, workstationSuffix}) {
        for (const NodeName &entry : table) {
            if (entry.suffix == suffix && !entry.group && !entry.name.isEmpty())
                return entry.name;
        }
    }
    return {};
}

QByteArray sessionRequest(QByteArrayView calledName, quint8 calledSuffix, QByteArrayView callingName,
                          quint8 callingSuffix)
{
    QByteArray out;
    out.append(char(SessionRequest));
    out.append('\0');
    appendU16(out, 2 * encodedNameSize);
    out.append(encodeName(calledName, calledSuffix));
    out.append(encodeName(callingName, callingSuffix));
    return out;
}

QByteArray sessionMessage(QByteArrayView payload)
{
    if (payload.size() > 0x1FFFF)
        return {};
    QByteArray out;
    out.append(char(SessionMessage));
    out.append(char(payload.size() >> 16)); // the length's seventeenth bit
    appendU16(out, quint16(payload.size() & 0xFFFF));
    out.append(payload);
    return out;
}

std::optional<SessionHeader> parseSessionHeader(QByteArrayView header)
{
    if (header.size() < 4)
        return std::nullopt;
    const auto flags = quint8(header[1]);
    if (flags & 0xFE)
        return std::nullopt;
    return SessionHeader{quint8(header[0]), quint32(flags) << 16 | u16At(header, 2)};
}

QString negativeResponseReason(quint8 code)
{
    switch (code) {
    case 0x80:
        return QStringLiteral("The receiver does not listen on the called name.");
    case 0x81:
        return QStringLiteral("The receiver does not accept calls from this computer's name.");
    case 0x82:
        return QStringLiteral("The name is not present at the receiver.");
    case 0x83:
        return QStringLiteral("The receiver has no resources for another session.");
    default:
        return QStringLiteral("The receiver refused the session (error 0x%1).").arg(code, 2, 16, QLatin1Char('0'));
    }
}

} // namespace NetBios
