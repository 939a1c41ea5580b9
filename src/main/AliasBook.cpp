#include "AliasBook.h"

#include "Messaging.h"
#include "core/WindowStyle.h"

Outcome AliasBook::add(const QString &name) const
{
    if (name.isEmpty())
        return Outcome::refusal({QStringLiteral("Nothing to add !")});
    Outcome outcome;
    if (const QString error = appendToFile(m_paths, aliasFile(), aliasLine(name)); !error.isEmpty())
        outcome = Outcome::failure(error);
    outcome.names = {name};
    return outcome;
}

Outcome AliasBook::read() const
{
    NameFile file = readNameFile(m_paths, aliasFile());
    if (!file.exists) {
        const Outcome writing = Outcome::ofStart(
            m_launcher.start(QStringLiteral("cmd /c net view >") + aliasFile(), WindowStyle::MinimizedFocus));
        if (writing.what == Outcome::What::Failed)
            return writing; // no point asking for a second click when nothing will write the file
        return {Outcome::What::Refused,
                {},
                {{QStringLiteral("You're missing the file ") + aliasFile() + u'!', QStringLiteral("Missing File!")},
                 {QStringLiteral("Click \"Get Aliases\" again")}}};
    }
    if (!file.error.isEmpty())
        return Outcome::failure(file.error);
    return {Outcome::What::Done, std::move(file.fields), {}};
}

Outcome AliasBook::edit() const
{
    return Outcome::ofStart(m_launcher.start(editCommandLine(aliasFile()), WindowStyle::NormalFocus));
}
