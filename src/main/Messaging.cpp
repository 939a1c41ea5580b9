#include "Messaging.h"

#include "FieldReader.h"
#include "FixedPaths.h"
#include "LocaleText.h"

#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>

namespace {

// Characters that /bin/sh reads as nothing but themselves, in any position of a word.
bool isPlainChar(QChar c)
{
    if (c.unicode() >= 0x80)
        return !c.isSpace();
    return c.isLetterOrNumber() || QStringView(u"._,:@%+=/-").contains(c);
}

bool isPlainWord(QStringView word)
{
    if (word.isEmpty())
        return false;
    for (const QChar c : word) {
        if (!isPlainChar(c))
            return false;
    }
    return true;
}

QString singleQuoted(const QString &text)
{
    QString quoted = text;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

// Plain words separated by single blanks, or nothing at all.
bool isPlainMessage(const QString &message)
{
    if (message.isEmpty())
        return true;
    const QStringList words = message.split(u' ');
    for (const QString &word : words) {
        if (!isPlainWord(word))
            return false; // also an empty word: a blank at an end, or two in a row
    }
    return true;
}

} // namespace

QString sendCommandLine(const QString &recipient, const QString &message)
{
    QString safeRecipient;
    const QStringList words = recipient.split(u' ');
    for (qsizetype i = 0; i < words.size(); ++i) {
        if (i > 0)
            safeRecipient += u' ';
        const QString &word = words[i];
        safeRecipient += word.isEmpty() || isPlainWord(word) ? word : singleQuoted(word);
    }
    const QString safeMessage = isPlainMessage(message) ? message : singleQuoted(message);
    return QStringLiteral("net send ") + safeRecipient + u' ' + safeMessage;
}

QStringList listSendArguments(const QString &name, const QString &message)
{
    return {QStringLiteral("send"), name, message};
}

QString sendRefusal(const QString &recipient, const QString &message)
{
    // A program's arguments end at a NUL, so the rest would be lost without a word.
    if (recipient.contains(QChar(0)))
        return QStringLiteral("The recipient name holds a NUL character, which net send cannot carry; nothing was "
                              "sent.");
    if (message.contains(QChar(0)))
        return QStringLiteral("The message holds a NUL character, which net send cannot carry; nothing was sent.");
    return {};
}

QString aliasLine(const QString &name)
{
    const bool quote = name.contains(u',') || name.startsWith(u' ') || name.startsWith(u'\t');
    return (quote ? u'"' + name + u'"' : name) + QStringLiteral("\r\n");
}

NameFile readNameFile(const FixedPaths &paths, const QString &drivePath)
{
    NameFile result;
    QFile file(paths.map(drivePath));
    result.exists = QFileInfo::exists(file.fileName());
    if (!result.exists)
        return result;
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("Cannot read %1: %2").arg(drivePath, file.errorString());
        return result;
    }
    result.fields = readFields(LocaleText::decode(file.readAll()));
    return result;
}

QString appendToFile(const FixedPaths &paths, const QString &drivePath, const QString &text)
{
    QFile file(paths.map(drivePath));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return QStringLiteral("Cannot write %1: %2").arg(drivePath, file.errorString());
    QStringEncoder encoder(LocaleText::encodingName().constData());
    const QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return QStringLiteral("Cannot write %1: the text holds characters that the encoding %2 cannot store.")
            .arg(drivePath, QString::fromLatin1(LocaleText::encodingName()));
    if (file.write(bytes) != bytes.size() || !file.flush())
        return QStringLiteral("Cannot write %1: %2").arg(drivePath, file.errorString());
    return {};
}
