#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// What one run of a console command gave back: its standard output, or why it could not run.
struct Capture
{
    QString text;
    QString error; // empty when the command ran; otherwise a sentence for the user

    bool failed() const { return !error.isEmpty(); }
};

// Runs a console command line and returns its whole standard output once it has ended.
class CommandRunner
{
public:
    virtual ~CommandRunner() = default;
    virtual Capture RunCapture(const QString &command, int windowStyle) = 0;
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
    // Runs the command with its standard output sent to outputPath and returns once it has ended.
    // Returns an empty string on success, otherwise why the interpreter could not be run.
    virtual QString run(const QString &command, int windowStyle, const QString &outputPath) = 0;
    // Reads the command's output from the open file to its end and turns its bytes into text.
    virtual QString decode(QFile &output) const = 0;
    // CommandRunner::literal for this interpreter.
    virtual QString literal(const QString &text) const = 0;
};

// The runner over a real interpreter: output file, run, wait, read, delete, return.
class Runner final : public CommandRunner
{
public:
    explicit Runner(Interpreter &interpreter) : m_interpreter(interpreter) {}
    Capture RunCapture(const QString &command, int windowStyle) override;
    QString literal(const QString &text) const override { return m_interpreter.literal(text); }

private:
    Interpreter &m_interpreter;
};
