// The alias book: the names of c:\parlo.txt in the alias box.
#include "Messaging.h"
#include "core/WindowStyle.h"
#include "parlo.h"

#include <QComboBox>
#include <QLineEdit>

void parlo::cmdAdd_Click()
{
    const QString name = txtno->text();
    if (name.isEmpty()) {
        m_host.messages.show(QStringLiteral("Nothing to add !"), applicationTitle(), BoxIcon::None);
        return;
    }
    Combo1->addItem(name);
    const QString error = appendToFile(m_host.paths, aliasFile(), aliasLine(name));
    if (!error.isEmpty()) {
        reportFailure(m_host.messages, error);
        return; // the name stays typed, so nothing is lost
    }
    txtno->clear();
}

void parlo::cmdGetalias_click()
{
    const NameFile file = readNameFile(m_host.paths, aliasFile());
    if (!file.exists) {
        if (!launch(QStringLiteral("cmd /c net view >c:\\parlo.txt"), WindowStyle::MinimizedFocus))
            return; // no point asking for a second click when nothing will write the file
        m_host.messages.show(QStringLiteral("You're missing the file c:\\parlo.txt!"), QStringLiteral("Missing File!"),
                             BoxIcon::None);
        m_host.messages.show(QStringLiteral("Click \"Get Aliases\" again"), applicationTitle(), BoxIcon::None);
        return;
    }
    if (!file.error.isEmpty()) {
        reportFailure(m_host.messages, file.error);
        return;
    }
    Combo1->addItems(file.fields);
}

void parlo::mEAlias_Click()
{
    launch(QStringLiteral("notepad.exe c:\\parlo.txt"), WindowStyle::NormalFocus);
}
