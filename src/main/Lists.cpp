// The four distribution lists: one net send per name, started side by side.
#include "Messaging.h"
#include "core/WindowStyle.h"
#include "parlo.h"

#include <QPlainTextEdit>

void parlo::sendToList(int list)
{
    const QString message = txtmsg->toPlainText();
    if (message.isEmpty()) {
        m_host.messages.show(QStringLiteral("First type something to send !"), applicationTitle(),
                             BoxIcon::Information);
        return;
    }
    const NameFile file = readNameFile(m_host.paths, listFile(list));
    if (!file.exists) {
        m_host.messages.show(
            QStringLiteral("First create a file by choosing Edit ListX where x is the list number 1-4"),
            applicationTitle(), BoxIcon::None);
        return;
    }
    if (!file.error.isEmpty()) {
        reportFailure(m_host.messages, file.error);
        return;
    }
    QStringList names;
    for (const QString &name : file.fields) {
        if (name.isEmpty())
            continue; // a blank line or two commas in a row name nobody
        // Every name is checked before the first send: a list goes out whole or not at all.
        if (const QString refusal = sendRefusal(name, message); !refusal.isEmpty()) {
            reportFailure(m_host.messages, refusal);
            return;
        }
        names.append(name);
    }
    for (const QString &name : std::as_const(names)) {
        const Launch started = m_host.launcher.startProgram(QStringLiteral("net"), listSendArguments(name, message),
                                                            WindowStyle::MinimizedFocus);
        if (started.failed()) {
            reportFailure(m_host.messages, started.error);
            return; // one box for a program that cannot start, not one per name
        }
    }
}

void parlo::editList(int list)
{
    launch(QStringLiteral("notepad.exe ") + listFile(list), WindowStyle::NormalFocus);
}
