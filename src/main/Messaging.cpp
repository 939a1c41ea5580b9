#include "Messaging.h"

#include "core/CommandRunner.h"
#include "core/NetStatus.h"
#include "platform/FixedPaths.h"
#include "platform/LocaleText.h"

#include <QFile>
#include <QStringEncoder>

namespace {

// The program that sends messages, and its word for sending one.
QString netProgram()
{
    return QStringLiteral("net");
}
QString sendVerb()
{
    return QStringLiteral("send");
}

} // namespace

QString sendCommandLine(const CommandRunner &runner, const QString &recipient, const QString &message)
{
    // Blanks still separate the recipient's words; each word and the message go through as typed.
    return netProgram() + u' ' + sendVerb() + u' ' + literalWords(runner, recipient) + u' ' + runner.literal(message);
}

ProgramCall listSendCall(const QString &name, const QString &message)
{
    return {netProgram(), {sendVerb(), name, message}};
}

QString sendRefusal(const QString &recipient, const QString &message)
{
    // A program's arguments end at a NUL, so the rest would be lost without a word.
    if (recipient.contains(QChar(0)))
        return QStringLiteral("The recipient name holds a NUL character, which net send cannot carry; nothing was "
                              "sent.");
    if (message.contains(QChar(0)))
        return QStringLiteral("The message holds a NUL character, which net send cannot carry; nothing was sent.");
    return {};
}

QString aliasLine(const QString &name)
{
    const bool quote = name.contains(u',') || name.startsWith(u' ') || name.startsWith(u'\t');
    return (quote ? u'"' + name + u'"' : name) + QStringLiteral("\r\n");
}

QString appendToFile(const FixedPaths &paths, const QString &drivePath, const QString &text)
{
    QFile file(paths.map(drivePath));
    const auto cannotWrite = [&drivePath](const QString &reason) {
        return QStringLiteral("Cannot write %1: %2").arg(drivePath, reason);
    };
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return cannotWrite(file.errorString());
    QStringEncoder encoder(LocaleText::encodingName().constData());
    const QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return cannotWrite(QStringLiteral("the text holds characters that the encoding %1 cannot store.")
                               .arg(QString::fromLatin1(LocaleText::encodingName())));
    if (file.write(bytes) != bytes.size() || !file.flush())
        return cannotWrite(file.errorString());
    return {};
}

Delivery deliveryOf(int netExitCode)
{
    switch (netExitCode) {
    case netSent:
        return Delivery::Delivered;
    case netNameNotFound:
        return Delivery::NameNotFound;
    case netUnreachable:
        return Delivery::Unreachable;
    case netRefused:
        return Delivery::Refused;
    case netTooLong:
        return Delivery::TooLong;
    case netUsage:
    case netBadInput:
        return Delivery::BadInput;
    default:
        return Delivery::Failed;
    }
}

QString listReport(const QString &list, const QList<HistoryRecipient> &copies)
{
    QStringList parts;
    qsizetype delivered = 0;
    for (const HistoryRecipient &copy : copies) {
        if (copy.delivery == Delivery::Delivered)
            ++delivered;
        else
            parts.append(copy.name + QStringLiteral(": ") + deliveryText(copy.delivery));
    }
    parts.prepend(QStringLiteral("%1: %2 of %3 delivered").arg(list).arg(delivered).arg(copies.size()));
    return parts.join(QStringLiteral("; "));
}
