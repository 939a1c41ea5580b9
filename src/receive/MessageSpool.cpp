#include "MessageSpool.h"

#include <QRegularExpression>
#include <QStringDecoder>

namespace {

// How many entries one turn of the event loop checks.
constexpr int batchSize = 128;

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

bool isMessageName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^[0-9]{20}-[0-9]{1,10}\\.msg$"));
    return pattern.match(name).hasMatch();
}

MessageSpool::MessageSpool(const QString &folder, QObject *parent) : QObject(parent), m_folder(folder)
{
    m_batch.setSingleShot(true);
    m_batch.setInterval(0);
    m_report.setSingleShot(true);
    m_report.setInterval(250);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &MessageSpool::scan);
    connect(&m_batch, &QTimer::timeout, this, &MessageSpool::checkBatch);
    connect(&m_report, &QTimer::timeout, this, &MessageSpool::reportSetAside);
}

bool MessageSpool::start()
{
    if (!m_folder.open())
        return false; // Samba's receiving is not set up here
    m_watcher.addPath(m_folder.path());
    scan();
    return true;
}

// New names are checked in the order of arrival (their names sort so) after those that wait.
void MessageSpool::scan()
{
    const QStringList names = m_folder.names();
    const QSet<QString> present(names.cbegin(), names.cend());
    m_known.intersect(present); // what went may come again under its name
    QStringList fresh;
    for (const QString &name : names) {
        if (m_known.contains(name))
            continue;
        m_known.insert(name);
        if (isMessageName(name))
            fresh.append(name);
        else
            setAside(name, QStringLiteral("not the name of a message"));
    }
    fresh.sort();
    m_unchecked.append(fresh);
    checkBatch();
}

void MessageSpool::checkBatch()
{
    const int count = int(std::min<qsizetype>(batchSize, m_unchecked.size()));
    const QStringList batch = m_unchecked.mid(0, count);
    m_unchecked.remove(0, count);
    for (const QString &name : batch) {
        if (const QString problem = m_folder.read(name); problem.isEmpty())
            Q_EMIT arrived(name);
        else if (problem == SpoolFolder::gone())
            m_known.remove(name);
        else
            setAside(name, problem);
    }
    if (!m_unchecked.isEmpty())
        m_batch.start();
}

// What was set aside is said in one line for all that a quarter of a second brings.
void MessageSpool::setAside(const QString &name, const QString &why)
{
    if (m_setAside++ == 0)
        m_firstSetAside = name + QStringLiteral(": ") + why;
    if (!m_report.isActive())
        m_report.start();
}

void MessageSpool::reportSetAside()
{
    qWarning("Parlo: set aside %d entries of %s that are no messages (%s)", m_setAside, qUtf8Printable(m_folder.path()),
             qUtf8Printable(m_firstSetAside));
    m_setAside = 0;
}

std::optional<SpoolMessage> MessageSpool::read(const QString &name)
{
    QByteArray content;
    std::optional<SpoolMessage> message;
    if (const QString problem = m_folder.read(name, &content); problem == SpoolFolder::gone())
        return std::nullopt;
    else if (!problem.isEmpty())
        setAside(name, problem);
    else if (!(message = parseSpoolFile(content)))
        setAside(name, QStringLiteral("no message header"));
    if (message)
        message->fileName = name;
    return message;
}

QSet<QString> MessageSpool::messageNames()
{
    QSet<QString> names;
    m_folder.open();
    for (const QString &name : m_folder.names()) {
        if (isMessageName(name))
            names.insert(name);
    }
    return names;
}
