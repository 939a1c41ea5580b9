#include "RegistryStore.h"

#include "LocaleText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <array>

namespace {

constexpr std::array<std::pair<quint32, const char *>, 5> rootKeys{{
    {0x80000000, "HKEY_CLASSES_ROOT"},
    {0x80000001, "HKEY_CURRENT_USER"},
    {0x80000002, "HKEY_LOCAL_MACHINE"},
    {0x80000003, "HKEY_USERS"},
    {0x80000005, "HKEY_CURRENT_CONFIG"},
}};

bool isHex(QStringView text, qsizetype minimum, qsizetype maximum)
{
    return text.size() >= minimum && text.size() <= maximum && std::all_of(text.begin(), text.end(), [](QChar c) {
               const char16_t u = c.unicode();
               return (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
           });
}

// The text's lines without their line ends; nothing when the bytes are not text, and then
// badLine is the first line that is not.
std::optional<QStringList> decodeLines(const QByteArray &bytes, int &badLine)
{
    QString text;
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        text = decoder.decode(bytes.mid(2));
        if (decoder.hasError()) {
            badLine = 1;
            return std::nullopt;
        }
    } else {
        const QList<QByteArray> lines = bytes.split('\n');
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
            const QString line = decoder.decode(lines[i]);
            text += line;
            if (i + 1 < lines.size())
                text += u'\n';
            if (decoder.hasError()) {
                badLine = int(i) + 1;
                return std::nullopt;
            }
        }
        if (text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
    }
    QStringList lines = text.split(u'\n');
    for (QString &line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    return lines;
}

// The text in double quotes that starts at text[pos], with \\ and \" read as \ and ";
// pos ends after the closing quote.
std::optional<QString> quoted(const QString &text, qsizetype &pos, QString &error)
{
    QString result;
    for (++pos; pos < text.size(); ++pos) {
        const QChar c = text[pos];
        if (c == u'"') {
            ++pos;
            return result;
        }
        if (c == u'\\') {
            if (pos + 1 >= text.size() || (text[pos + 1] != u'\\' && text[pos + 1] != u'"')) {
                error = QStringLiteral("a backslash in double quotes must be doubled");
                return std::nullopt;
            }
            ++pos;
        }
        result += text[pos];
    }
    error = QStringLiteral("the closing double quote is missing");
    return std::nullopt;
}

// Bytes written as two-digit hexadecimal numbers separated by commas.
std::optional<QByteArray> hexBytes(const QString &text)
{
    QByteArray bytes;
    if (text.trimmed().isEmpty())
        return bytes;
    const QStringList pieces = text.split(u',');
    for (const QString &piece : pieces) {
        const QString digits = piece.trimmed();
        if (!isHex(digits, 1, 2))
            return std::nullopt;
        bytes.append(char(digits.toUInt(nullptr, 16)));
    }
    return bytes;
}

// Text stored as UTF-16 (as version 5 files keep it), in the locale's encoding as the
// registry's 8-bit interface hands it out.
QByteArray eightBitText(const QByteArray &utf16)
{
    QString text;
    for (qsizetype i = 0; i + 1 < utf16.size(); i += 2)
        text += QChar(char16_t(quint8(utf16[i]) | quint8(utf16[i + 1]) << 8));
    return LocaleText::encode(text);
}

class Parser
{
public:
    explicit Parser(QStringList lines) : m_lines(std::move(lines)) {}
    ParsedRegistryFile run();

private:
    bool header();
    bool keyLine(const QString &text);
    bool valueLine(const QString &text);
    std::optional<RegistryValue> data(QString text);
    std::optional<RegistryValue> hexData(const QString &text, quint32 type);
    bool fail(const QString &error)
    {
        m_result.errorLine = m_lineNumber;
        m_result.error = error;
        return false;
    }

    QStringList m_lines;
    qsizetype m_next = 0;
    int m_lineNumber = 0;
    bool m_utf16Strings = false;
    QString m_key; // the key that values go to; empty before the first and after a deletion
    ParsedRegistryFile m_result;
};

ParsedRegistryFile Parser::run()
{
    if (!header())
        return m_result;
    while (m_next < m_lines.size()) {
        m_lineNumber = int(++m_next);
        const QString text = m_lines[m_next - 1].trimmed();
        if (text.isEmpty() || text.startsWith(u';'))
            continue;
        const bool read = text.startsWith(u'[') ? keyLine(text) : valueLine(text);
        if (!read) {
            m_result.edits.clear();
            return m_result;
        }
    }
    return m_result;
}

bool Parser::header()
{
    m_lineNumber = 1;
    const QString first = m_lines.value(0).trimmed();
    m_next = 1;
    if (first == u"Windows Registry Editor Version 5.00")
        m_utf16Strings = true;
    else if (first != u"REGEDIT4")
        return fail(QStringLiteral("the first line must be \"Windows Registry Editor Version 5.00\" or \"REGEDIT4\""));
    return true;
}

bool Parser::keyLine(const QString &text)
{
    if (!text.endsWith(u']'))
        return fail(QStringLiteral("a key's line must end with ]"));
    QString path = text.mid(1, text.size() - 2);
    const bool deletion = path.startsWith(u'-');
    if (deletion)
        path.remove(0, 1);
    QStringList names = path.split(u'\\');
    const auto root = std::find_if(rootKeys.begin(), rootKeys.end(), [&](const auto &key) {
        return names[0].compare(QLatin1String(key.second), Qt::CaseInsensitive) == 0;
    });
    if (root == rootKeys.end())
        return fail(QStringLiteral("a key must begin with a root key such as HKEY_LOCAL_MACHINE"));
    if (names.contains(QString()))
        return fail(QStringLiteral("a key's path holds an empty name"));
    names[0] = QLatin1String(root->second);
    const QString key = names.join(u'\\');
    m_result.edits.append({deletion ? RegistryEdit::DeleteKey : RegistryEdit::AddKey, key, {}, {}});
    m_key = deletion ? QString() : key;
    return true;
}

bool Parser::valueLine(const QString &text)
{
    if (m_key.isEmpty())
        return fail(QStringLiteral("a value must stand below a key"));
    QString name;
    qsizetype pos = 1;
    if (text.startsWith(u'"')) {
        QString error;
        pos = 0;
        const std::optional<QString> read = quoted(text, pos, error);
        if (!read)
            return fail(error);
        name = *read;
    } else if (!text.startsWith(u'@')) {
        return fail(QStringLiteral("a line must hold a key in brackets, or a value's name in double quotes or @"));
    }
    const QString rest = text.mid(pos).trimmed();
    if (!rest.startsWith(u'='))
        return fail(QStringLiteral("= must follow the value's name"));
    const QString written = rest.mid(1).trimmed();
    if (written == u"-") {
        m_result.edits.append({RegistryEdit::DeleteValue, m_key, name, {}});
        return true;
    }
    const std::optional<RegistryValue> value = data(written);
    if (!value)
        return false;
    m_result.edits.append({RegistryEdit::SetValue, m_key, name, *value});
    return true;
}

std::optional<RegistryValue> Parser::data(QString text)
{
    if (text.startsWith(u'"')) {
        QString error;
        qsizetype pos = 0;
        const std::optional<QString> read = quoted(text, pos, error);
        if (!read || pos != text.size()) {
            fail(read ? QStringLiteral("nothing may follow the closing double quote") : error);
            return std::nullopt;
        }
        return RegistryValue{1, LocaleText::encode(*read) + '\0'};
    }
    if (text.startsWith(u"dword:", Qt::CaseInsensitive)) {
        const QString digits = text.mid(6);
        if (!isHex(digits, 1, 8)) {
            fail(QStringLiteral("dword: takes a number of one to eight hexadecimal digits"));
            return std::nullopt;
        }
        const quint32 number = digits.toUInt(nullptr, 16);
        QByteArray bytes;
        for (int shift = 0; shift < 32; shift += 8)
            bytes.append(char(number >> shift & 0xff));
        return RegistryValue{4, bytes};
    }
    if (text.startsWith(u"hex:", Qt::CaseInsensitive))
        return hexData(text.mid(4), 3);
    const qsizetype close = text.indexOf(QStringLiteral("):"));
    if (text.startsWith(u"hex(", Qt::CaseInsensitive) && close > 4 && isHex(QStringView(text).mid(4, close - 4), 1, 8))
        return hexData(text.mid(close + 2), text.mid(4, close - 4).toUInt(nullptr, 16));
    fail(QStringLiteral("a value must be \"text\", dword:, hex:, hex(N): or -"));
    return std::nullopt;
}

std::optional<RegistryValue> Parser::hexData(const QString &text, quint32 type)
{
    // A trailing backslash continues the bytes on the next line.
    QString bytesText = text;
    while (bytesText.endsWith(u'\\')) {
        if (m_next >= m_lines.size()) {
            fail(QStringLiteral("the bytes go on past the end of the file"));
            return std::nullopt;
        }
        bytesText.chop(1);
        bytesText += m_lines[m_next++].trimmed();
    }
    std::optional<QByteArray> bytes = hexBytes(bytesText);
    if (!bytes) {
        fail(QStringLiteral("bytes must be two hexadecimal digits each, separated by commas"));
        return std::nullopt;
    }
    const bool text8 = type == 1 || type == 2 || type == 7;
    return RegistryValue{type, m_utf16Strings && text8 ? eightBitText(*bytes) : *bytes};
}

} // namespace

ParsedRegistryFile parseRegistryFile(const QByteArray &bytes)
{
    int badLine = 0;
    std::optional<QStringList> lines = decodeLines(bytes, badLine);
    if (!lines)
        return {{}, badLine, QStringLiteral("this is not UTF-8 or UTF-16 text")};
    return Parser(std::move(*lines)).run();
}

QString rootKeyName(quint32 root)
{
    for (const auto &[handle, name] : rootKeys) {
        if (handle == root)
            return QLatin1String(name);
    }
    return {};
}

void RegistryTree::apply(const QList<RegistryEdit> &edits)
{
    for (const RegistryEdit &edit : edits) {
        const QString key = edit.key.toLower();
        switch (edit.kind) {
        case RegistryEdit::AddKey:
            for (qsizetype i = key.indexOf(u'\\'); i >= 0; i = key.indexOf(u'\\', i + 1))
                m_keys[key.left(i)];
            m_keys[key];
            break;
        case RegistryEdit::DeleteKey:
            for (auto it = m_keys.lowerBound(key); it != m_keys.end() && it.key().startsWith(key);) {
                if (it.key().size() == key.size() || it.key()[key.size()] == u'\\')
                    it = m_keys.erase(it);
                else
                    ++it;
            }
            break;
        case RegistryEdit::SetValue:
            m_keys[key].insert(edit.name.toLower(), edit.value);
            break;
        case RegistryEdit::DeleteValue:
            if (const auto it = m_keys.find(key); it != m_keys.end())
                it->remove(edit.name.toLower());
            break;
        }
    }
}

bool RegistryTree::hasKey(const QString &key) const
{
    return !key.contains(u'\\') || m_keys.contains(key.toLower());
}

std::optional<RegistryValue> RegistryTree::value(const QString &key, const QString &name) const
{
    const auto values = m_keys.find(key.toLower());
    if (values == m_keys.end())
        return std::nullopt;
    const auto value = values->find(name.toLower());
    if (value == values->end())
        return std::nullopt;
    return *value;
}

QStringList RegistryStore::standardFiles(const QString &programDirectory, const QProcessEnvironment &environment)
{
    const QString file = QStringLiteral("/parlo/registry.reg");
    QStringList files;
    for (const char *shipped : {"/share", "/../share"}) {
        const QString path = QDir::cleanPath(programDirectory + QLatin1String(shipped) + file);
        if (!programDirectory.isEmpty() && QFileInfo::exists(path)) {
            files << path;
            break;
        }
    }
    const QString configDirs = environment.value(QStringLiteral("XDG_CONFIG_DIRS"));
    QStringList systemDirs = configDirs.split(u':', Qt::SkipEmptyParts);
    systemDirs.removeIf([](const QString &dir) { return !QDir::isAbsolutePath(dir); });
    if (systemDirs.isEmpty())
        systemDirs << QStringLiteral("/etc/xdg");
    // The first is the most important, so it comes last and has the last word.
    std::reverse(systemDirs.begin(), systemDirs.end());
    for (const QString &dir : std::as_const(systemDirs))
        files << dir + file;
    QString home = environment.value(QStringLiteral("XDG_CONFIG_HOME"));
    if (!QDir::isAbsolutePath(home))
        home = environment.value(QStringLiteral("HOME"), QDir::homePath()) + QStringLiteral("/.config");
    files << home + file;
    return files;
}

void RegistryStore::report(const QString &problem, QStringList &problems) const
{
    if (m_reported.contains(problem))
        return;
    m_reported.insert(problem);
    problems << problem;
}

void RegistryStore::read(RegistryTree &tree, QStringList &problems) const
{
    for (const QString &path : m_files) {
        const QFileInfo info(path);
        if (!info.exists())
            continue;
        QFile file(path);
        if (info.isDir() || !file.open(QIODevice::ReadOnly)) {
            report(QStringLiteral("The registry file %1 cannot be read: %2. Parlo goes on without it.")
                       .arg(path, info.isDir() ? QStringLiteral("it is a folder") : file.errorString()),
                   problems);
            continue;
        }
        const ParsedRegistryFile parsed = parseRegistryFile(file.readAll());
        if (parsed.errorLine > 0) {
            report(QStringLiteral("The registry file %1 cannot be read at line %2: %3. Parlo goes on without it.")
                       .arg(path)
                       .arg(parsed.errorLine)
                       .arg(parsed.error),
                   problems);
            continue;
        }
        tree.apply(parsed.edits);
    }
}

RegistryLookup RegistryStore::lookup(quint32 root, const QString &key, const QString &name) const
{
    RegistryLookup result;
    const QString rootName = rootKeyName(root);
    if (rootName.isEmpty()) {
        result.error = QStringLiteral("There is no registry root key with the handle 0x%1.").arg(root, 0, 16);
        return result;
    }
    RegistryTree tree;
    read(tree, result.problems);
    const QString path = key.isEmpty() ? rootName : rootName + u'\\' + key;
    result.keyFound = tree.hasKey(path);
    if (result.keyFound)
        result.value = tree.value(path, name);
    return result;
}
