#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <functional>

// What one run of a console command gave back: its standard output, or why it could not run.
struct Capture
{
    QString text;
    QString error;        // empty when the command ran; otherwise a sentence for the user
    bool stopped = false; // the user stopped it; text then ends with stoppedLine
    int exitCode = -1;    // the command's exit status; -1 when it did not end by itself

    bool failed() const { return !error.isEmpty(); }
};

// The last line of what a stopped command printed.
inline constexpr char stoppedLine[] = "Stopped.";

// Shown while a command runs: its complete lines so far.
using LiveOutput = std::function<void(const QString &soFar)>;

// Runs a console command line and returns its standard output once it has ended (bounded as
// BoundedOutput says).
class CommandRunner
{
public:
    virtual ~CommandRunner() = default;
    Capture RunCapture(const QString &command, int windowStyle) { return RunCapture(command, windowStyle, {}); }
    // The same, handing what the command has printed to `live` while it runs, about ten times a
    // second at most.
    virtual Capture RunCapture(const QString &command, int windowStyle, const LiveOutput &live) = 0;
    // The text as a command line must hold it so that the program gets it back unchanged, its
    // arguments joined by single blanks: as it is where the interpreter reads it so (plain
    // words between single blanks, or nothing), otherwise quoted.
    virtual QString literal(const QString &text) const = 0;
};

// What a user typed, as words of a command line: split at blanks, each word as the runner's
// literal. Options typed with an address still reach the program as words of their own, and
// nothing typed acts as the interpreter's syntax.
QString literalWords(const CommandRunner &runner, const QString &text);

// The host's command interpreter, as the runner needs it.
class Interpreter
{
public:
    virtual ~Interpreter() = default;
    // Directory for the runner's output file.
    virtual QString tempDirectory() const = 0;
    struct Outcome
    {
        QString error; // why the interpreter could not be run; empty when it ran
        bool stopped = false;
        int exitCode = -1; // the interpreter's exit status; -1 when a signal ended it
    };
    // Runs the command with its standard output sent to the open file and returns once it has
    // ended, keeping the event loop turning meanwhile.
    virtual Outcome run(const QString &command, int windowStyle, QFile &output) = 0;
    // The command's output bytes as text.
    virtual QString decode(const QByteArray &output) const = 0;
    // Gives back the storage of a part of the output file that will not be read, where the file
    // system can; the file keeps its size.
    virtual void discard(QFile &output, qint64 from, qint64 to) const = 0;
    // CommandRunner::literal for this interpreter.
    virtual QString literal(const QString &text) const = 0;
};

// The runner over a real interpreter: output file, run while reading it, delete, return.
class Runner final : public CommandRunner
{
public:
    // How often the output file is read while the command runs.
    static constexpr int readEveryMs = 100;

    explicit Runner(Interpreter &interpreter) : m_interpreter(interpreter) {}
    using CommandRunner::RunCapture;
    // The output file's name in the temporary folder: OUT, Parlo's process id, a unique part.
    static QString outputFilePattern();
    Capture RunCapture(const QString &command, int windowStyle, const LiveOutput &live) override;
    QString literal(const QString &text) const override { return m_interpreter.literal(text); }

private:
    Interpreter &m_interpreter;
};
