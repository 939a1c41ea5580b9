#include "ListSender.h"

#include "Messaging.h"
#include "core/WindowStyle.h"

Outcome ListSender::send(int list, const QString &message) const
{
    if (message.isEmpty())
        return Outcome::refusal(nothingToSend());
    const NameFile file = readNameFile(m_paths, listFile(list));
    if (!file.exists)
        return Outcome::refusal(
            {QStringLiteral("First create a file by choosing Edit ListX where x is the list number 1-4")});
    if (!file.error.isEmpty())
        return Outcome::failure(file.error);
    QStringList names;
    for (const QString &name : file.fields) {
        if (name.isEmpty())
            continue; // a blank line or two commas in a row name nobody
        // Every name is checked before the first send: a list goes out whole or not at all.
        if (const QString refusal = sendRefusal(name, message); !refusal.isEmpty())
            return Outcome::refusal({refusal});
        names.append(name);
    }
    for (const QString &name : std::as_const(names)) {
        const ProgramCall net = listSendCall(name, message);
        const Outcome sent =
            Outcome::ofStart(m_launcher.startProgram(net.program, net.arguments, WindowStyle::MinimizedFocus));
        if (sent.what == Outcome::What::Failed)
            return sent; // one box for a program that cannot start, not one per name
    }
    return {};
}

Outcome ListSender::edit(int list) const
{
    return Outcome::ofStart(m_launcher.start(editCommandLine(listFile(list)), WindowStyle::NormalFocus));
}
