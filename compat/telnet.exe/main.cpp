// telnet.exe: the telnet client in a terminal window of its own, whose terminal emulator it
// starts and leaves running. What goes wrong, that emulator failing at once included, is shown
// in a message box, since nobody reads this program's output.
#include "TelnetTerminal.h"
#include "platform/LocaleText.h"

#include <QApplication>
#include <QMessageBox>
#include <QStandardPaths>

using namespace compat;

namespace {

int complain(int argc, char **argv, const QString &text)
{
    LocaleText::print(text);
    QApplication application(argc, argv);
    QMessageBox::warning(nullptr, QStringLiteral("Telnet"), text.trimmed());
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    const Translation translation = translateTelnet(commandArguments(argc, argv));
    if (!translation.runs())
        return translation.exitCode == 0 ? (LocaleText::print(translation.text), 0)
                                         : complain(argc, argv, translation.text);
    const QString telnet = locateProgram(telnetProgram());
    if (telnet.isEmpty())
        return complain(argc, argv, missingProgramLine(telnetProgram()));
    const QStringList line =
        terminalCommand([](const QString &name) { return QStandardPaths::findExecutable(name); },
                        telnetWindowTitle(translation.arguments), telnetWindowCommand(telnet, translation.arguments));
    if (line.isEmpty())
        return complain(argc, argv, noTerminalText());
    const QString failure = openTerminal(line);
    return failure.isEmpty() ? 0 : complain(argc, argv, failure);
}
