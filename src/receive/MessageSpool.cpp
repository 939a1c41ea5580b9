#include "MessageSpool.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace {

QString decodeText(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

} // namespace

std::optional<SpoolMessage> parseSpoolFile(const QByteArray &content)
{
    const qsizetype end = content.indexOf("\n\n");
    if (end < 0)
        return std::nullopt;
    SpoolMessage message;
    bool hasTime = false;
    for (const QByteArray &line : content.left(end).split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals < 0)
            return std::nullopt;
        const QByteArray key = line.left(equals);
        const QString value = decodeText(QByteArray::fromPercentEncoding(line.mid(equals + 1)));
        if (key == "from")
            message.sender = value;
        else if (key == "to")
            message.recipient = value;
        else if (key == "time")
            hasTime = (message.time = QDateTime::fromString(value, Qt::ISODate)).isValid();
    }
    if (!hasTime)
        return std::nullopt;
    message.text = decodeText(content.mid(end + 2));
    return message;
}

MessageSpool::MessageSpool(const QString &folder, QObject *parent) : QObject(parent), m_folder(folder)
{
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &MessageSpool::scan);
}

void MessageSpool::start()
{
    if (!QFileInfo(m_folder).isDir())
        return; // Samba's receiving is not set up here
    m_watcher.addPath(m_folder);
    scan();
}

// Names sort in the order of arrival; a file already reported (shown, but not removable) or
// not readable yet is passed over.
void MessageSpool::scan()
{
    const QDir dir(m_folder);
    for (const QString &name : dir.entryList({QStringLiteral("*.msg")}, QDir::Files, QDir::Name)) {
        if (m_reported.contains(name))
            continue;
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        std::optional<SpoolMessage> message = parseSpoolFile(file.readAll());
        if (!message)
            continue;
        message->fileName = name;
        m_reported.insert(name);
        Q_EMIT arrived(*message);
    }
}

bool MessageSpool::take(const SpoolMessage &message)
{
    return QFile::remove(QDir(m_folder).filePath(message.fileName));
}
