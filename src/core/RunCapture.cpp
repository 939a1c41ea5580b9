#include "CommandRunner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

Capture Runner::RunCapture(const QString &command, int windowStyle)
{
    // 1. A new, empty output file with a unique name. It removes itself when this call
    //    returns, whichever way it returns.
    const QString directory = m_interpreter.tempDirectory();
    QTemporaryFile output(QDir(directory).filePath(QStringLiteral("OUTXXXXXX.tmp")));
    output.setAutoRemove(true);
    if (!output.open())
        return {{}, QStringLiteral("Cannot create a temporary file in %1: %2").arg(directory, output.errorString())};
    output.close();

    // 2-4. Start the interpreter with the command, its output sent to the file, and wait for it.
    const QString error = m_interpreter.run(command, windowStyle, output.fileName());
    if (!error.isEmpty())
        return {{}, error};

    // 5. Read the whole file back as text.
    QFile file(output.fileName());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return {{}, QStringLiteral("Cannot read the output of \"%1\": %2").arg(command, file.errorString())};
    const QString text = m_interpreter.decode(file);
    if (file.error() != QFileDevice::NoError)
        return {{}, QStringLiteral("Cannot read the output of \"%1\": %2").arg(command, file.errorString())};
    file.close();

    // 6. Delete it.
    output.remove();

    // 7. The command's output, unchanged.
    return {text, {}};
}

QString literalWords(const CommandRunner &runner, const QString &text)
{
    QStringList words = text.split(u' ');
    for (QString &word : words)
        word = runner.literal(word);
    return words.join(u' ');
}
