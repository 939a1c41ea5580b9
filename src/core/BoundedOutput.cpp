#include "BoundedOutput.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr qsizetype pieceBytes = 64 * 1024;
const QByteArray cutMark = QByteArrayLiteral(" [...]");

// Reads up to size bytes at offset; an empty result is the end of the file or a failure.
QByteArray readAt(QFile &file, qint64 offset, qint64 size)
{
    if (!file.seek(offset))
        return {};
    return file.read(size);
}

// Where the last `lines` lines of text begin: just after the newline before them, or 0.
qsizetype lastLinesStart(const QByteArray &text, int lines)
{
    qsizetype end = text.size();
    if (end > 0 && text.at(end - 1) == '\n')
        --end; // the newline that ends the last line
    for (int found = 0; end > 0; --end) {
        if (text.at(end - 1) == '\n' && ++found == lines)
            return end;
    }
    return 0;
}

} // namespace

void BoundedOutput::keep(const char *data, qsizetype size)
{
    // Whole lines while they stay short; a long line up to its bound, then nothing until its end.
    while (size > 0) {
        const char *newline = static_cast<const char *>(std::memchr(data, '\n', size_t(size)));
        const qsizetype span = newline ? newline - data : size;
        if (!m_cutting) {
            const qsizetype room = lineBytes - m_lineLength;
            m_kept.append(data, std::min(span, room));
            m_lineLength += std::min(span, room);
            if (span > room) {
                m_kept.append(cutMark);
                m_cutting = true;
            }
        }
        if (!newline)
            return;
        m_kept.append('\n');
        ++m_lines;
        m_lineLength = 0;
        m_cutting = false;
        data += span + 1;
        size -= span + 1;
    }
}

bool BoundedOutput::readHead(QFile &file)
{
    while (!headFull()) {
        // Line by line near the line bound, so that the first part ends at a line's end.
        qint64 want = std::min<qint64>(pieceBytes, partBytes - m_headInput);
        const QByteArray piece = readAt(file, m_headEnd, want);
        if (piece.isEmpty())
            return file.error() == QFileDevice::NoError || file.atEnd();
        qsizetype used = piece.size();
        int lines = m_lines;
        for (qsizetype at = 0; at < piece.size(); ++at) {
            if (piece.at(at) == '\n' && ++lines == partLines) {
                used = at + 1;
                break;
            }
        }
        keep(piece.constData(), used);
        m_headEnd += used;
        m_headInput += used;
    }
    return true;
}

bool BoundedOutput::readTail(QFile &file)
{
    if (!readHead(file))
        return false;
    const qint64 size = file.size();
    if (size <= m_headEnd)
        return true;
    // The last part: the last partBytes of the file, from the start of a line when anything lies
    // between it and the first part, and of those at most the last partLines lines.
    qint64 start = std::max(m_headEnd, size - partBytes);
    const qint64 before = start > m_headEnd ? 1 : 0; // the byte before, to see where a line starts
    QByteArray tail = readAt(file, start - before, size - start + before);
    if (tail.size() != size - start + before)
        return false;
    // From the start of its last partLines lines; where that is inside a line, that line's last
    // lineBytes at most, marked as cut.
    qsizetype from = std::max<qsizetype>(before, lastLinesStart(tail, partLines));
    const bool cutAtStart = from == before && before && tail.at(0) != '\n';
    if (cutAtStart) {
        const qsizetype newline = tail.indexOf('\n', from);
        from = std::max(from, (newline < 0 ? tail.size() : newline) - lineBytes);
    }
    const qint64 leftOut = start - before + from - m_headEnd;
    if (leftOut > 0) {
        if (!m_kept.isEmpty() && !m_kept.endsWith('\n'))
            m_kept.append('\n');
        m_kept.append("[... " + QByteArray::number(leftOut) + " bytes of output left out ...]\n");
        if (cutAtStart)
            m_kept.append(cutMark.mid(1) + ' ');
        m_lineLength = 0;
        m_cutting = false;
    }
    keep(tail.constData() + from, tail.size() - from);
    return true;
}

QByteArray BoundedOutput::headLines() const
{
    const qsizetype end = m_kept.lastIndexOf('\n');
    return end < 0 ? QByteArray() : m_kept.left(end + 1);
}
