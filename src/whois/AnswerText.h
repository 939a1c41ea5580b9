#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The text of a whois answer that arrives in pieces. Its bytes are read as UTF-8 while they are
// valid UTF-8 and as Windows-1252 once they are not, always the answer as a whole: a character
// split between two pieces comes out whole. Control characters other than tab and the line
// ends, and the code points a text document keeps for itself, show as U+FFFD.
class AnswerText
{
public:
    // What one more piece does to the text shown so far.
    struct Change
    {
        bool replace = false; // text is the whole text (the reading turned to Windows-1252)
        QString text;         // else the text to append
    };

    Change add(QByteArrayView piece);
    // The answer is complete: the bytes of an unfinished UTF-8 character make it Windows-1252.
    Change finish();

    const QString &text() const { return m_text; }
    qsizetype byteCount() const { return m_bytes.size(); }

private:
    Change readAsWindows1252();

    QByteArray m_bytes;
    qsizetype m_read = 0; // bytes whose text is in m_text
    bool m_windows1252 = false;
    QString m_text;
};

// A whole answer, read as AnswerText reads it.
QString answerText(QByteArrayView bytes);

// text with what AnswerText keeps from a reader replaced by U+FFFD.
QString displayable(QString text);
