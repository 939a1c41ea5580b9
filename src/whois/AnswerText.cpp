#include "AnswerText.h"

namespace {

constexpr char16_t replacement = 0xFFFD;

// How far bytes hold whole, valid UTF-8 characters; -1 when they hold a sequence that no later
// byte can make valid.
qsizetype validUtf8(QByteArrayView bytes)
{
    qsizetype i = 0;
    while (i < bytes.size()) {
        const auto lead = uchar(bytes[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        const int length = lead >= 0xF0 && lead < 0xF8 ? 4 : lead >= 0xE0 && lead < 0xF0 ? 3 : lead >= 0xC0 ? 2 : 0;
        if (length == 0 || lead >= 0xF8)
            return -1;
        char32_t code = lead & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            if (i + k == bytes.size())
                return i; // the rest of this character comes with the next piece
            const auto next = uchar(bytes[i + k]);
            if ((next & 0xC0) != 0x80)
                return -1;
            code = (code << 6) | (next & 0x3F);
        }
        const char32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return -1;
        i += length;
    }
    return i;
}

// Windows-1252 where it differs from Latin-1; its five unused bytes show as U+FFFD.
constexpr char16_t windows1252High[32] = {
    0x20AC, replacement, 0x201A,      0x0192, 0x201E,      0x2026,      0x2020, 0x2021,      0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152,      replacement, 0x017D, replacement, replacement, 0x2018, 0x2019,      0x201C, 0x201D, 0x2022,
    0x2013, 0x2014,      0x02DC,      0x2122, 0x0161,      0x203A,      0x0153, replacement, 0x017E, 0x0178,
};

QString windows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = uchar(bytes[i]);
        text[i] = QChar(byte >= 0x80 && byte < 0xA0 ? windows1252High[byte - 0x80] : char16_t(byte));
    }
    return text;
}

} // namespace

AnswerText::Change AnswerText::add(QByteArrayView piece)
{
    m_bytes.append(piece);
    if (m_windows1252) {
        Change change{false, displayable(windows1252(QByteArrayView(m_bytes).sliced(m_read)))};
        m_read = m_bytes.size();
        m_text += change.text;
        return change;
    }
    const QByteArrayView unread = QByteArrayView(m_bytes).sliced(m_read);
    const qsizetype valid = validUtf8(unread);
    if (valid < 0)
        return readAsWindows1252();
    Change change{false, displayable(QString::fromUtf8(unread.first(valid)))};
    m_read += valid;
    m_text += change.text;
    return change;
}

AnswerText::Change AnswerText::finish()
{
    if (m_read == m_bytes.size())
        return {};
    return readAsWindows1252();
}

AnswerText::Change AnswerText::readAsWindows1252()
{
    m_windows1252 = true;
    m_read = m_bytes.size();
    m_text = displayable(windows1252(m_bytes));
    return {true, m_text};
}

QString answerText(QByteArrayView bytes)
{
    AnswerText answer;
    answer.add(bytes);
    answer.finish();
    return answer.text();
}

// No control characters but tab and line ends, and none of the characters that a text document
// takes as its own frame and object marks.
QString displayable(QString text)
{
    for (QChar &c : text) {
        const char16_t u = c.unicode();
        const bool control = (u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r') || (u >= 0x7F && u < 0xA0);
        if (control || (u >= 0xFDD0 && u <= 0xFDEF) || u == 0xFFFC || u == 0xFFFE || u == 0xFFFF)
            c = QChar(replacement);
    }
    return text;
}
