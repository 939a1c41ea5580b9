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
    void lookup_data();
    void lookup();
    void problemsAreReportedOnce();
    void standardFiles_data();
    void standardFiles();
    void shippedCopyNamesTheSystemInformationProgram();
};

void tst_Registry::lookup_data()
{
    QTest::addColumn<QStringList>("files"); // read in this order
    QTest::addColumn<QString>("key");       // below HKEY_LOCAL_MACHINE
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("problems"); // "FILE:LINE", files counted from 1
    const QString parlo = "SOFTWARE\\Parlo";
    const QStringList none;
    // clang-format off
    QTest::newRow("text") << QStringList{v5 + key + "\"PATH\"=\"/b\""} << parlo << "PATH" << "1:2f6200" << none;
    QTest::newRow("escapes") << QStringList{v5 + key + "\"P\"=\"\\\\ \\\"\""} << parlo << "P" << "1:5c202200" << none;
    QTest::newRow("dword") << QStringList{v5 + key + "\"N\"=dword:0000007b"} << parlo << "N" << "4:7b000000" << none;
    QTest::newRow("dword short") << QStringList{v5 + key + "\"N\"=dword:0"} << parlo << "N" << "4:00000000" << none;
    QTest::newRow("hex, either case") << QStringList{v5 + key + "\"B\"=hex:01,fF,AF"} << parlo << "B" << "3:01ffaf" << none;
    QTest::newRow("hex empty") << QStringList{v5 + key + "\"B\"=hex:"} << parlo << "B" << "3:" << none;
    QTest::newRow("hex(0)") << QStringList{v5 + key + "\"B\"=hex(0):aa"} << parlo << "B" << "0:aa" << none;
    QTest::newRow("hex(2) REGEDIT4 as it is") << QStringList{r4 + key + "\"E\"=hex(2):25,50,00"} << parlo << "E" << "2:255000" << none;
    QTest::newRow("hex(2) version 5 from UTF-16") << QStringList{v5 + key + "\"E\"=hex(2):25,00,50,00,00,00"} << parlo << "E" << "2:255000" << none;
    QTest::newRow("hex(7) version 5 from UTF-16") << QStringList{v5 + key + "\"M\"=hex(7):61,00,00,00,62,00,00,00,00,00"} << parlo << "M" << "7:6100620000" << none;
    QTest::newRow("hex(1) path") << QStringList{v5 + key + "\"P\"=hex(1):2f,00,62,00,00,00"} << parlo << "P" << "1:2f6200" << none;
    QTest::newRow("continuation lines") << QStringList{v5 + key + "\"B\"=hex:01,02,\\\n  03,\\\n  04\n\"C\"=dword:1"} << parlo << "B" << "3:01020304" << none;
    QTest::newRow("default value") << QStringList{v5 + key + "@=\"d\""} << parlo << "" << "1:6400" << none;
    QTest::newRow("any case") << QStringList{v5 + "[hkey_local_machine\\Software\\PARLO]\n\"Path\"=\"x\""} << "software\\parlo" << "PATH" << "1:7800" << none;
    QTest::newRow("CR LF, comments, blanks") << QStringList{"REGEDIT4\r\n; note\r\n\r\n  " + key.trimmed() + "\r\n\"N\" = dword:2\r\n"} << parlo << "N" << "4:02000000" << none;
    QTest::newRow("UTF-8 byte order mark") << QStringList{"\xEF\xBB\xBF" + r4 + key + "\"N\"=dword:3"} << parlo << "N" << "4:03000000" << none;
    QTest::newRow("UTF-16, CR LF") << QStringList{"<UTF-16>" + v5 + key + "\"P\"=\"/b\"\r\n"} << parlo << "P"
        << "1:2f6200" << none;
    QTest::newRow("no such value") << QStringList{v5 + key + "\"A\"=\"x\""} << parlo << "B" << "no value" << none;
    QTest::newRow("no such key") << QStringList{v5 + key} << "SOFTWARE\\Other" << "A" << "no key" << none;
    QTest::newRow("parent key exists") << QStringList{v5 + key} << "SOFTWARE" << "A" << "no value" << none;
    QTest::newRow("other root") << QStringList{v5 + "[HKEY_CURRENT_USER\\SOFTWARE\\Parlo]\n\"A\"=\"x\""} << parlo << "A" << "no key" << none;
    QTest::newRow("later file wins") << QStringList{v5 + key + "\"A\"=\"x\"\n\"B\"=\"y\"", r4 + key + "\"A\"=\"z\""} << parlo << "A" << "1:7a00" << none;
    QTest::newRow("value deleted by a later file") << QStringList{v5 + key + "\"A\"=\"x\"", v5 + key + "\"A\"=-"} << parlo << "A" << "no value" << none;
    QTest::newRow("key deleted by a later file") << QStringList{v5 + key + "\"A\"=\"x\"", v5 + "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Parlo]"} << parlo << "A" << "no key" << none;
    QTest::newRow("subkey deleted with its key") << QStringList{v5 + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Parlo\\Sub]\n\"A\"=\"x\"", v5 + "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Parlo]"} << parlo + "\\Sub" << "A" << "no key" << none;
    QTest::newRow("sibling with the same start kept") << QStringList{v5 + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Parlo2]\n\"A\"=\"x\"", v5 + "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Parlo]"} << parlo + "2" << "A" << "1:7800" << none;
    QTest::newRow("deleted, then set again") << QStringList{v5 + key + "\"A\"=\"x\"", v5 + "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Parlo]\n" + key + "\"B\"=\"y\""} << parlo << "A" << "no value" << none;
    QTest::newRow("broken file left out whole") << QStringList{v5 + key + "\"A\"=\"x\"", v5 + key + "\"A\"=\"y\"\n\"B\"=\"c:\\tools\""} << parlo << "A" << "1:7800" << QStringList{"2:5"};
    QTest::newRow("broken file, later ones read") << QStringList{"hello\n", v5 + key + "\"A\"=\"y\""} << parlo << "A" << "1:7900" << QStringList{"1:1"};
    QTest::newRow("unclosed quote") << QStringList{v5 + key + "\"A\"=\"x"} << parlo << "A" << "no key" << QStringList{"1:4"};
    QTest::newRow("text after the quote") << QStringList{v5 + key + "\"A\"=\"x\"y"} << parlo << "A" << "no key" << QStringList{"1:4"};
    QTest::newRow("value before any key") << QStringList{v5 + "\"A\"=\"x\"\n" + key} << parlo << "A" << "no key" << QStringList{"1:3"};
    QTest::newRow("value below a deletion") << QStringList{v5 + "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Parlo]\n\"A\"=\"x\""} << parlo << "A" << "no key" << QStringList{"1:4"};
    QTest::newRow("unknown root") << QStringList{v5 + "[HKEY_NOWHERE\\SOFTWARE]"} << parlo << "A" << "no key" << QStringList{"1:3"};
    QTest::newRow("empty key name") << QStringList{v5 + "[HKEY_LOCAL_MACHINE\\\\SOFTWARE]"} << parlo << "A" << "no key" << QStringList{"1:3"};
    QTest::newRow("dword too long") << QStringList{v5 + key + "\"N\"=dword:123456789"} << parlo << "N" << "no key" << QStringList{"1:4"};
    QTest::newRow("bad byte") << QStringList{v5 + key + "\"B\"=hex:01,2g"} << parlo << "B" << "no key" << QStringList{"1:4"};
    QTest::newRow("bytes past the end") << QStringList{v5 + key + "\"B\"=hex:01,\\"} << parlo << "B" << "no key" << QStringList{"1:4"};
    QTest::newRow("unknown form") << QStringList{v5 + key + "\"B\"=qword:1"} << parlo << "B" << "no key" << QStringList{"1:4"};
    QTest::newRow("not UTF-8") << QStringList{v5 + key + "\"B\"=\"<E9>\""} << parlo << "B" << "no key" << QStringList{"1:4"};
    // clang-format on
}

void tst_Registry::lookup()
{
    QFETCH(QStringList, files);
    QFETCH(QString, key);
    QFETCH(QString, name);
    QFETCH(QStringList, problems);
    QTemporaryDir temp;
    const QStringList paths = writeNumbered(temp, files, "reg");
    // A file that begins with <UTF-16> is written as regedit saves it, with a byte order mark.
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (files[i].startsWith(u"<UTF-16>"))
            writeFile(paths[i],
                      QStringEncoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom)(files[i].mid(8)));
    }

    const RegistryLookup found = RegistryStore(paths).lookup(localMachine, key, name);

    QTEST(describe(found), "expected");
    QCOMPARE(found.problems.size(), problems.size());
    for (qsizetype i = 0; i < problems.size(); ++i) {
        const QString file = paths[problems[i].section(u':', 0, 0).toInt() - 1];
        const QString line = QStringLiteral("line ") + problems[i].section(u':', 1);
        QVERIFY2(found.problems[i].contains(file) && found.problems[i].contains(line), qPrintable(found.problems[i]));
    }
}

void tst_Registry::problemsAreReportedOnce()
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

void tst_Registry::standardFiles_data()
{
    QTest::addColumn<QStringList>("variables");
    QTest::addColumn<QStringList>("expected"); // after the shipped copy, with ~ for HOME

    // clang-format off
    QTest::newRow("defaults") << QStringList{"HOME=/h"} << QStringList{"/etc/xdg/parlo/registry.reg", "/h/.config/parlo/registry.reg"};
    QTest::newRow("set") << QStringList{"HOME=/h", "XDG_CONFIG_DIRS=/a:/b", "XDG_CONFIG_HOME=/c"}
        << QStringList{"/b/parlo/registry.reg", "/a/parlo/registry.reg", "/c/parlo/registry.reg"};
    QTest::newRow("relative ones ignored") << QStringList{"HOME=/h", "XDG_CONFIG_DIRS=rel:/a", "XDG_CONFIG_HOME=rel"}
        << QStringList{"/a/parlo/registry.reg", "/h/.config/parlo/registry.reg"};
    // clang-format on
}

void tst_Registry::standardFiles()
{
    QFETCH(QStringList, variables);
    QFETCH(QStringList, expected);
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

void tst_Registry::shippedCopyNamesTheSystemInformationProgram()
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

QTEST_GUILESS_MAIN(tst_Registry)
#include "tst_registry.moc"
