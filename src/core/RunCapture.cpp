#include "CommandRunner.h"

#include "BoundedOutput.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <QTimer>

namespace {

QString cannotRead(const QString &command, const QFile &file)
{
    return QStringLiteral("Cannot read the output of \"%1\": %2").arg(command, file.errorString());
}

} // namespace

QString Runner::outputFilePattern()
{
    return QStringLiteral("OUT%1-XXXXXX.tmp").arg(QCoreApplication::applicationPid());
}

Capture Runner::RunCapture(const QString &command, int windowStyle, const LiveOutput &live)
{
    // 1. A new, empty output file with a unique name that tells whose it is. It removes itself
    //    when this call returns, whichever way it returns.
    const QString directory = m_interpreter.tempDirectory();
    QTemporaryFile output(QDir(directory).filePath(outputFilePattern()));
    output.setAutoRemove(true);
    if (!output.open())
        return {{}, QStringLiteral("Cannot create a temporary file in %1: %2").arg(directory, output.errorString())};

    // 2-4. Start the interpreter with the command, its output sent to the file, and read the
    //    file as it grows until the command has ended: the first part as it comes (shown live),
    //    the storage of what lies beyond it given back.
    BoundedOutput kept;
    bool readable = true;
    qsizetype shown = 0;
    QTimer reader;
    reader.setInterval(readEveryMs);
    QObject::connect(&reader, &QTimer::timeout, &reader, [&] {
        readable = readable && kept.readHead(output);
        if (kept.headDone())
            m_interpreter.discard(output, kept.headEnd(), output.size() - BoundedOutput::partBytes - 1);
        if (!live)
            return;
        const QByteArray lines = kept.headLines();
        if (lines.size() == shown)
            return;
        shown = lines.size();
        live(m_interpreter.decode(lines));
    });
    reader.start();
    const Interpreter::Outcome outcome = m_interpreter.run(command, windowStyle, output);
    reader.stop();
    if (!outcome.error.isEmpty())
        return {{}, outcome.error};

    // 5. The rest of what is kept, as text.
    if (!readable || !kept.readTail(output))
        return {{}, cannotRead(command, output)};
    QString text = m_interpreter.decode(kept.bytes());

    // 6. Delete it, its storage given back first.
    m_interpreter.discard(output, 0, output.size());
    output.remove();

    // 7. The command's output, unchanged within the bound; a stopped one says so.
    if (outcome.stopped) {
        if (!text.isEmpty() && !text.endsWith(u'\n'))
            text += u'\n';
        text += QLatin1String(stoppedLine);
    }
    return {text, {}, outcome.stopped, outcome.stopped ? -1 : outcome.exitCode};
}

QString literalWords(const CommandRunner &runner, const QString &text)
{
    QStringList words = text.split(u' ');
    for (QString &word : words)
        word = runner.literal(word);
    return words.join(u' ');
}
