#include "NetCommand.h"

#include "Cp850.h"
#include "NetBios.h"
#include "Smb.h"

#include <QHostAddress>

namespace {

QString characterText(char32_t c)
{
    return QStringLiteral("\"%1\" (U+%2)")
        .arg(QString::fromUcs4(&c, 1), QString::number(quint32(c), 16).toUpper().rightJustified(4, QLatin1Char('0')));
}

} // namespace

NetCommand parseArguments(const QStringList &arguments)
{
    NetCommand command;
    if (arguments.isEmpty())
        return command;
    const QString verb = arguments.first();
    if (verb.compare(u"view", Qt::CaseInsensitive) == 0 && arguments.size() == 1) {
        command.kind = NetCommand::View;
    } else if (verb.compare(u"send", Qt::CaseInsensitive) == 0 && arguments.size() >= 3 && !arguments[1].isEmpty()) {
        command.kind = NetCommand::Send;
        command.name = arguments[1];
        command.message = arguments.mid(2).join(QLatin1Char(' '));
    }
    return command;
}

PreparedText prepareMessage(const QString &message)
{
    QString text = message;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));

    PreparedText prepared;
    const Cp850::Encoding encoded = Cp850::encode(text);
    if (!encoded.ok()) {
        prepared.refusal = QStringLiteral("The message holds the character %1, which code page 850 cannot carry; "
                                          "nothing was sent.")
                               .arg(characterText(encoded.refused));
        return prepared;
    }
    if (encoded.bytes.size() > Smb::maxMessage) {
        prepared.refusal = QStringLiteral("The message is too long: %1 bytes, and one message carries at most %2; "
                                          "nothing was sent.")
                               .arg(encoded.bytes.size())
                               .arg(Smb::maxMessage);
        return prepared;
    }
    prepared.bytes = encoded.bytes;
    return prepared;
}

QString recipientRefusal(const QString &name)
{
    if (!QHostAddress(name).isNull())
        return {};
    const QString computer = name.section(QLatin1Char('.'), 0, 0);
    const Cp850::Encoding encoded = Cp850::encode(computer.toUpper());
    if (!encoded.ok()) {
        // The character as typed, not upper-cased.
        const Cp850::Encoding typed = Cp850::encode(computer);
        const char32_t refused = typed.ok() ? encoded.refused : typed.refused;
        return QStringLiteral("The name %1 holds the character %2, which a NetBIOS name cannot carry; nothing was "
                              "sent.")
            .arg(name, characterText(refused));
    }
    if (encoded.bytes.size() > NetBios::maxNameLength)
        return QStringLiteral("The name %1 is too long for a NetBIOS name, which holds at most %2 characters; nothing "
                              "was sent.")
            .arg(name)
            .arg(NetBios::maxNameLength);
    return {};
}

QString usageText()
{
    return QStringLiteral("The syntax of this command is:\n"
                          "\n"
                          "NET SEND name message\n"
                          "NET VIEW\n");
}

QString successText(const QString &name)
{
    return QStringLiteral("The message was successfully sent to %1.\n").arg(name);
}

QString failureText(const QString &name, const QString &reason)
{
    return QStringLiteral("An error occurred while sending a message to %1.\n%2\n").arg(name, reason);
}

QString viewText(QStringList computers)
{
    if (computers.isEmpty())
        return QStringLiteral("There are no entries in the list.\n");
    computers.sort(Qt::CaseInsensitive);
    computers.removeDuplicates();
    QString text = QStringLiteral("Server Name            Remark\n\n");
    text += QString(79, QLatin1Char('-')) + QLatin1Char('\n');
    for (const QString &computer : std::as_const(computers))
        text += QStringLiteral("\\\\") + computer + QLatin1Char('\n');
    text += QStringLiteral("The command completed successfully.\n");
    return text;
}
