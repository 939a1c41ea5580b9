#include "PlatformFiles.h"
#include "platform/RegistryStore.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr quint32 localMachine = 0x80000002;
const QString v5 = "Windows Registry Editor Version 5.00\n\n";
const QString r4 = "REGEDIT4\n\n";
const QString key = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Parlo]\n";

// What a lookup found, in one line: "no key", "no value", "error", or "TYPE:HEX BYTES".
QString describe(const RegistryLookup &found)
{
    if (found.failed())
        return "error";
    if (!found.keyFound)
        return "no key";
    if (!found.value)
        return "no value";
    return QString::number(found.value->type) + u':' + QString::fromLatin1(found.value->data.toHex());
}

} // namespace
class tst_Registry : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lookup()
    {
        const QString parlo = "SOFTWARE\\Parlo";
        const QString gone = v5 + "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Parlo]\n"; // the key deleted
        const QString parlo2 = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Parlo2]\n";
        const QString ax = v5 + key + "\"A\"=\"x\""; // A set to x
        // The name; the files, read in this order; the key below HKEY_LOCAL_MACHINE, the value's name, what
        // the lookup finds, and the problems as "FILE:LINE", files counted from 1.
        const std::tuple<const char *, QStringList, QString, QString, QString, QStringList> rows[] = {
            // clang-format off
            {"escapes", {v5 + key + "\"P\"=\"\\\\ \\\"\""}, parlo, "P", "1:5c202200", {}},
            {"dword", {v5 + key + "\"N\"=dword:0000007b"}, parlo, "N", "4:7b000000", {}},
            {"hex, either case", {v5 + key + "\"B\"=hex:01,fF,AF"}, parlo, "B", "3:01ffaf", {}},
            {"hex empty", {v5 + key + "\"B\"=hex:"}, parlo, "B", "3:", {}},
            {"hex(2) REGEDIT4 as it is", {r4 + key + "\"E\"=hex(2):25,50,00"}, parlo, "E", "2:255000", {}},
            {"hex(2) version 5 from UTF-16", {v5 + key + "\"E\"=hex(2):25,00,50,00,00,00"}, parlo, "E", "2:255000", {}},
            {"hex(7) version 5 from UTF-16", {v5 + key + "\"M\"=hex(7):61,00,00,00,62,00,00,00,00,00"}, parlo, "M",
             "7:6100620000", {}},
            {"hex(1) path", {v5 + key + "\"P\"=hex(1):2f,00,62,00,00,00"}, parlo, "P", "1:2f6200", {}},
            {"continuation lines", {v5 + key + "\"B\"=hex:01,02,\\\n  03,\\\n  04\n\"C\"=dword:1"}, parlo, "B",
             "3:01020304", {}},
            {"default value", {v5 + key + "@=\"d\""}, parlo, "", "1:6400", {}},
            {"any case", {v5 + "[hkey_local_machine\\Software\\PARLO]\n\"Path\"=\"x\""}, "software\\parlo", "PATH",
             "1:7800", {}},
            {"CR LF, comments, blanks", {"REGEDIT4\r\n; note\r\n\r\n  " + key.trimmed() + "\r\n\"N\" = dword:2\r\n"},
             parlo, "N", "4:02000000", {}},
            {"UTF-8 byte order mark", {"\xEF\xBB\xBF" + r4 + key + "\"N\"=dword:3"}, parlo, "N", "4:03000000", {}},
            {"UTF-16, CR LF", {"<UTF-16>" + v5 + key + "\"P\"=\"/b\"\r\n"}, parlo, "P", "1:2f6200", {}},
            {"no such value", {ax}, parlo, "B", "no value", {}},
            {"no such key", {v5 + key}, "SOFTWARE\\Other", "A", "no key", {}},
            {"parent key exists", {v5 + key}, "SOFTWARE", "A", "no value", {}},
            {"other root", {v5 + "[HKEY_CURRENT_USER\\SOFTWARE\\Parlo]\n\"A\"=\"x\""}, parlo, "A", "no key", {}},
            {"later file wins", {ax + "\n\"B\"=\"y\"", r4 + key + "\"A\"=\"z\""}, parlo, "A", "1:7a00", {}},
            {"value deleted by a later file", {ax, v5 + key + "\"A\"=-"}, parlo, "A", "no value", {}},
            {"key deleted by a later file", {ax, gone}, parlo, "A", "no key", {}},
            {"subkey deleted with its key", {v5 + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Parlo\\Sub]\n\"A\"=\"x\"", gone},
             parlo + "\\Sub", "A", "no key", {}},
            {"sibling with the same start kept", {v5 + parlo2 + "\"A\"=\"x\"", gone}, parlo + "2", "A", "1:7800", {}},
            {"deleted, then set again", {ax, gone + key + "\"B\"=\"y\""}, parlo, "A", "no value", {}},
            {"broken file left out whole", {ax, v5 + key + "\"A\"=\"y\"\n\"B\"=\"c:\\tools\""},
             parlo, "A", "1:7800", {"2:5"}},
            {"broken file, later ones read", {"hello\n", v5 + key + "\"A\"=\"y\""}, parlo, "A", "1:7900", {"1:1"}},
            {"unclosed quote", {v5 + key + "\"A\"=\"x"}, parlo, "A", "no key", {"1:4"}},
            {"text after the quote", {ax + "y"}, parlo, "A", "no key", {"1:4"}},
            {"value before any key", {v5 + "\"A\"=\"x\"\n" + key}, parlo, "A", "no key", {"1:3"}},
            {"value below a deletion", {gone + "\"A\"=\"x\""}, parlo, "A", "no key", {"1:4"}},
            {"unknown root", {v5 + "[HKEY_NOWHERE\\SOFTWARE]"}, parlo, "A", "no key", {"1:3"}},
            {"empty key name", {v5 + "[HKEY_LOCAL_MACHINE\\\\SOFTWARE]"}, parlo, "A", "no key", {"1:3"}},
            {"dword too long", {v5 + key + "\"N\"=dword:123456789"}, parlo, "N", "no key", {"1:4"}},
            {"bad byte", {v5 + key + "\"B\"=hex:01,2g"}, parlo, "B", "no key", {"1:4"}},
            {"bytes past the end", {v5 + key + "\"B\"=hex:01,\\"}, parlo, "B", "no key", {"1:4"}},
            {"unknown form", {v5 + key + "\"B\"=qword:1"}, parlo, "B", "no key", {"1:4"}},
            {"not UTF-8", {v5 + key + "\"B\"=\"<E9>\""}, parlo, "B", "no key", {"1:4"}},
            // clang-format on
        };
        for (const auto &[name, files, below, value, expected, problems] : rows) {
            QTemporaryDir temp;
            const QStringList paths = writeNumbered(temp, files, "reg");
            // A file that begins with <UTF-16> is written as regedit saves it, with a byte order mark.
            for (qsizetype i = 0; i < files.size(); ++i) {
                if (files[i].startsWith(u"<UTF-16>"))
                    writeFile(paths[i], QStringEncoder(QStringConverter::Utf16LE,
                                                       QStringConverter::Flag::WriteBom)(files[i].mid(8)));
            }

            const RegistryLookup found = RegistryStore(paths).lookup(localMachine, below, value);

            QVERIFY2(describe(found) == expected, qPrintable(name + QStringLiteral(": ") + describe(found)));
            QVERIFY2(found.problems.size() == problems.size(),
                     qPrintable(QLatin1String(name) + u' ' + found.problems.join(u' ')));
            for (qsizetype i = 0; i < problems.size(); ++i) {
                const QString file = paths[problems[i].section(u':', 0, 0).toInt() - 1];
                const QString line = QStringLiteral("line ") + problems[i].section(u':', 1);
                QVERIFY2(found.problems[i].contains(file) && found.problems[i].contains(line),
                         qPrintable(found.problems[i]));
            }
        }
    }

    void problemsAreReportedOnce()
    {
        QTemporaryDir temp;
        writeFile(temp.filePath("broken.reg"), "REGEDIT4\n[nowhere]\n");
        QVERIFY(QDir(temp.path()).mkdir("folder.reg"));
        const RegistryStore store({temp.filePath("broken.reg"), temp.filePath("folder.reg")});

        const RegistryLookup first = store.lookup(localMachine, "SOFTWARE", "A");
        QCOMPARE(first.problems.size(), 2);
        QVERIFY(first.problems[1].contains(temp.filePath("folder.reg")));
        QVERIFY(store.lookup(localMachine, "SOFTWARE", "B").problems.isEmpty());

        // Broken in another place, it is news again.
        writeFile(temp.filePath("broken.reg"), "REGEDIT4\n\n[nowhere]\n");
        const RegistryLookup changed = store.lookup(localMachine, "SOFTWARE", "A");
        QCOMPARE(changed.problems.size(), 1);
        QVERIFY(changed.problems[0].contains("line 3"));
    }

    void standardFiles()
    {
        // The variables, and the files after the shipped copy.
        const std::pair<QStringList, QStringList> rows[] = {
            {{"HOME=/h"}, {"/etc/xdg/parlo/registry.reg", "/h/.config/parlo/registry.reg"}},
            {{"HOME=/h", "XDG_CONFIG_DIRS=/a:/b", "XDG_CONFIG_HOME=/c"},
             {"/b/parlo/registry.reg", "/a/parlo/registry.reg", "/c/parlo/registry.reg"}},
            {{"HOME=/h", "XDG_CONFIG_DIRS=rel:/a", "XDG_CONFIG_HOME=rel"}, // relative ones ignored
             {"/a/parlo/registry.reg", "/h/.config/parlo/registry.reg"}},
        };
        for (const auto &[variables, expected] : rows) {
            const QProcessEnvironment environment = environmentOf(variables);
            // In the build tree, the copy beside the program; installed, the one below ../share.
            QTemporaryDir temp;
            QVERIFY(QDir(temp.path()).mkpath("bin/share/parlo"));
            writeFile(temp.filePath("share/parlo/registry.reg"), "REGEDIT4\n");
            QCOMPARE(RegistryStore::standardFiles(temp.filePath("bin"), environment),
                     QStringList{temp.filePath("share/parlo/registry.reg")} + expected);
            writeFile(temp.filePath("bin/share/parlo/registry.reg"), "REGEDIT4\n");
            QCOMPARE(RegistryStore::standardFiles(temp.filePath("bin"), environment),
                     QStringList{temp.filePath("bin/share/parlo/registry.reg")} + expected);
            QCOMPARE(RegistryStore::standardFiles(temp.filePath("a/nowhere"), environment), expected);
        }
    }

    void shippedCopyNamesTheSystemInformationProgram()
    {
        const QString build = QStringLiteral(PARLO_TEST_BUILD_DIR);
        const QString copy = build + "/share/parlo/registry.reg";
        QCOMPARE(RegistryStore::standardFiles(build, {}).value(0), copy);
        for (const QString &file : {QStringLiteral(PARLO_TEST_SHIPPED_REGISTRY), copy}) {
            const RegistryLookup found =
                RegistryStore({file}).lookup(localMachine, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH");
            QVERIFY2(found.problems.isEmpty(), qPrintable(found.problems.join(u'\n')));
            QVERIFY(found.value && found.value->type == 1 && found.value->data.size() > 1);
        }
    }
};

QTEST_GUILESS_MAIN(tst_Registry)
#include "tst_registry.moc"
