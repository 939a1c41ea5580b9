#pragma once

#include <QByteArray>
#include <QFile>

// What the runner keeps of a command's output. Output of up to partLines lines and partBytes
// bytes, no line longer than lineBytes, is kept exactly. Beyond that, its first and its last
// part are kept, each at most partLines lines and partBytes bytes, with one line between them
// saying how much was left out; a line longer than lineBytes keeps its first lineBytes bytes
// and ends in " [...]". Memory and reading stay the same whatever the command prints: the
// middle of the output is never read.
class BoundedOutput
{
public:
    static constexpr qint64 partBytes = 512 * 1024;
    static constexpr int partLines = 5000;
    static constexpr qsizetype lineBytes = 4096;

    // Reads the first part further, as far as the file has grown; returns false when the file
    // cannot be read.
    bool readHead(QFile &file);
    // Once the command has ended: the rest of the first part, then the last part.
    bool readTail(QFile &file);

    // The complete lines of the first part read so far.
    QByteArray headLines() const;
    // Where the first part ends in the file: what lies between it and the last partBytes of
    // the file will never be read.
    qint64 headEnd() const { return m_headEnd; }
    // Whether the first part has all it takes.
    bool headDone() const { return headFull(); }
    // Everything kept, once readTail() has returned.
    const QByteArray &bytes() const { return m_kept; }

private:
    void keep(const char *data, qsizetype size);
    bool headFull() const { return m_headInput >= partBytes || m_lines >= partLines; }

    QByteArray m_kept;
    qint64 m_headEnd = 0;   // bytes of the file the first part has taken in
    qint64 m_headInput = 0; // the same, for the bound
    int m_lines = 0;        // complete lines kept
    qsizetype m_lineLength = 0;
    bool m_cutting = false; // inside a long line, past its bound
};
