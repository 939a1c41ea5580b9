// net: `net send NAME MESSAGE` and `net view` for Linux, speaking the Windows messenger protocol
// itself. Everything it reports goes to standard output, which is all that Parlo shows.

#include "LinuxFacts.h"
#include "LocaleText.h"
#include "Messenger.h"
#include "NetBios.h"
#include "NetCommand.h"

#include <QCoreApplication>
#include <QStringDecoder>

namespace {

constexpr int failed = 2;

// Parlo hands its arguments over in UTF-8; a terminal in another locale may not.
QString argumentText(const char *argument)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(QByteArrayView(argument));
    return utf8.hasError() ? LocaleText::decode(QByteArray(argument)) : text;
}

QByteArray senderName()
{
    const std::optional<QString> name = systemHostName();
    return name ? NetBios::netbiosForm(*name) : QByteArrayLiteral("LINUX");
}

int send(const NetCommand &command, QString &output)
{
    if (const QString refusal = recipientRefusal(command.name); !refusal.isEmpty()) {
        output = failureText(command.name, refusal);
        return failed;
    }
    const PreparedText text = prepareMessage(command.message);
    if (!text.refusal.isEmpty()) {
        output = failureText(command.name, text.refusal);
        return failed;
    }
    const Timeouts timeouts;
    const std::optional<QHostAddress> address = resolve(command.name, timeouts);
    if (!address) {
        output =
            failureText(command.name, QStringLiteral("The name %1 was not found on the network.").arg(command.name));
        return failed;
    }

    // A computer reached by its address is called by the messenger name it answers with, if any.
    QByteArray called = NetBios::netbiosForm(command.name);
    quint8 suffix = NetBios::messengerSuffix;
    QByteArray recipient = called;
    if (isIpv4Literal(command.name)) {
        recipient = messengerNameAt(*address, 1000);
        called = recipient.isEmpty() ? QByteArrayLiteral("*SMBSERVER") : recipient;
        suffix = recipient.isEmpty() ? NetBios::serverSuffix : NetBios::messengerSuffix;
        if (recipient.isEmpty())
            recipient = command.name.toLatin1();
    }

    const Delivery delivery = deliver(*address, called, suffix, senderName(), recipient, text.bytes, timeouts);
    if (!delivery.ok) {
        output = failureText(command.name, delivery.reason);
        return failed;
    }
    output = successText(command.name);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(argumentText(argv[i]));

    const NetCommand command = parseArguments(arguments);
    QString output;
    int status = 0;
    switch (command.kind) {
    case NetCommand::Send:
        status = send(command, output);
        break;
    case NetCommand::View:
        output = viewText(findComputers(3000));
        break;
    case NetCommand::Usage:
        output = usageText();
        status = 1;
        break;
    }
    LocaleText::print(output);
    return status;
}
