#include "Fakes.h"
#include "StandIn.h"
#include "TestFiles.h"
#include "about/frmAbout.h"
#include "main/parlo.h"
#include "platform/LinuxFacts.h"
#include "platform/LinuxLauncher.h"
#include "ui/Controls.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString sysInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO|PATH";
const QString folderKey = "SOFTWARE\\Microsoft\\Shared Tools Location|MSINFO";
const QString unavailable = "Parlo: System Information Is Unavailable At This Time";

// A lookup written short: "" no key, "key" a key without the value, "error", "T=text" a text
// of type T with its terminating zero, "T:hex" raw bytes of type T, "big" 1025 bytes of text;
// "problem|" before any of them adds a sentence about a file left out.
RegistryLookup lookupOf(QString written)
{
    RegistryLookup found;
    if (written.startsWith("problem|")) {
        found.problems << "The registry file x cannot be read at line 2: y.";
        written = written.mid(8);
    }
    if (written.isEmpty())
        return found;
    found.keyFound = true;
    if (written == "error")
        found.error = "broken";
    else if (written == "big")
        found.value = RegistryValue{1, QByteArray(1024, 'a') + '\0'};
    else if (written.contains(u'='))
        found.value = RegistryValue{written.section(u'=', 0, 0).toUInt(), written.section(u'=', 1).toUtf8() + '\0'};
    else if (written.contains(u':'))
        found.value = RegistryValue{written.section(u':', 0, 0).toUInt(),
                                    QByteArray::fromHex(written.section(u':', 1).toLatin1())};
    return found;
}

} // namespace

class tst_about : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void keyValue_data();
    void keyValue();
    void startSysInfo_data();
    void startSysInfo();
    void enterAndEscClose_data();
    void enterAndEscClose();
    void systemInfoKeepsTheBoxOpen();
    void openedOverTheMainWindow();
    void realStartFromAUserStore();

private:
    std::unique_ptr<QTemporaryDir> m_temp;
    std::unique_ptr<FakeHost> m_fake;
};

void tst_about::init()
{
    m_temp = std::make_unique<QTemporaryDir>();
    m_fake = std::make_unique<FakeHost>(m_temp->filePath("data"));
}

void tst_about::keyValue_data()
{
    QTest::addColumn<quint32>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<KeyResult>("result");
    QTest::addColumn<QString>("KeyVal"); // it holds "before" on entry

    const QByteArray text1023 = QByteArray(1023, 'x');
    // clang-format off
    QTest::newRow("text, its zero dropped") << 1u << QByteArray("/usr/bin/hardinfo", 18) << KeyResult::True << "/usr/bin/hardinfo";
    QTest::newRow("text without a zero") << 1u << QByteArray("c:\\x") << KeyResult::True << "c:\\x";
    QTest::newRow("only one zero dropped") << 1u << QByteArray("ab\0\0", 4) << KeyResult::True << QString("ab") + QChar(0);
    QTest::newRow("empty text") << 1u << QByteArray(1, '\0') << KeyResult::True << "";
    QTest::newRow("number 123") << 4u << QByteArray("\x7b\0\0\0", 4) << KeyResult::True << "&h7B";
    QTest::newRow("number, high byte set") << 4u << QByteArray("\x78\x56\x34\x12", 4) << KeyResult::True << "&h12345678";
    QTest::newRow("expandable text unchanged") << 2u << QByteArray("%x%", 4) << KeyResult::True << "before";
    QTest::newRow("bytes unchanged") << 3u << QByteArray("\x01") << KeyResult::True << "before";
    QTest::newRow("1024 bytes fit") << 1u << text1023 + '\0' << KeyResult::True << QString(text1023);
    QTest::newRow("1024 bytes, no zero") << 1u << QByteArray(1024, 'y') << KeyResult::True << QString(1024, u'y');
    QTest::newRow("1025 bytes do not") << 1u << text1023 + "y" + '\0' << KeyResult::False << "";
    QTest::newRow("1025 bytes of another type") << 3u << QByteArray(1025, '\1') << KeyResult::False << "";
    QTest::newRow("size 0 is an error") << 1u << QByteArray() << KeyResult::Error << "before";
    // clang-format on
}

void tst_about::keyValue()
{
    QFETCH(quint32, type);
    QFETCH(QByteArray, data);
    QString KeyVal = "before";
    QTEST(keyValueText({type, data}, KeyVal), "result");
    QTEST(KeyVal, "KeyVal");
}

void tst_about::startSysInfo_data()
{
    QTest::addColumn<QString>("first");     // the program's path entry (see lookupOf)
    QTest::addColumn<QString>("second");    // the folder entry
    QTest::addColumn<QStringList>("files"); // made in the data folder
    QTest::addColumn<bool>("startFails");   // what the launcher answers
    QTest::addColumn<int>("lookups");
    QTest::addColumn<QStringList>("launches"); // "STYLE PROGRAM", @ for the data folder
    QTest::addColumn<QStringList>("boxes");

    const QStringList none;
    const QStringList msinfo{"msinfo/MSINFO32.EXE"};
    const QString problem = "Parlo: The registry file x cannot be read at line 2: y.";
    // clang-format off
    QTest::newRow("first entry, unchecked") << "1=/usr/bin/hardinfo" << "1=c:\\msinfo" << msinfo << false << 1 << QStringList{"1 /usr/bin/hardinfo"} << none;
    QTest::newRow("first entry, drive path") << "1=c:\\tools\\info.exe" << "" << none << false << 1 << QStringList{"1 @/tools/info.exe"} << none;
    QTest::newRow("first entry cannot start") << "1=/nowhere/x" << "1=c:\\msinfo" << msinfo << true << 1 << QStringList{"1 /nowhere/x"} << QStringList{unavailable};
    QTest::newRow("fallback folder with the program") << "" << "1=c:\\msinfo" << msinfo << false << 2 << QStringList{"1 @/msinfo/MSINFO32.EXE"} << none;
    QTest::newRow("fallback when the key lacks the value") << "key" << "1=c:\\msinfo" << msinfo << false << 2 << QStringList{"1 @/msinfo/MSINFO32.EXE"} << none;
    QTest::newRow("fallback when the first is too long") << "big" << "1=c:\\msinfo" << msinfo << false << 2 << QStringList{"1 @/msinfo/MSINFO32.EXE"} << none;
    QTest::newRow("folder ending in a backslash") << "" << "1=c:\\msinfo\\" << msinfo << false << 2 << QStringList{"1 @/msinfo//MSINFO32.EXE"} << none;
    QTest::newRow("folder as a Linux path") << "" << "1=@\\linux" << QStringList{"linux/MSINFO32.EXE"} << false << 2 << QStringList{"1 @/linux/MSINFO32.EXE"} << none;
    QTest::newRow("folder without the program") << "" << "1=c:\\msinfo" << QStringList{"msinfo/msinfo32.exe"} << false << 2 << none << QStringList{unavailable};
    QTest::newRow("folder holds a folder of that name") << "" << "1=c:\\msinfo" << QStringList{"msinfo/MSINFO32.EXE/"} << false << 2 << none << QStringList{unavailable};
    QTest::newRow("folder's program cannot start") << "" << "1=c:\\msinfo" << msinfo << true << 2 << QStringList{"1 @/msinfo/MSINFO32.EXE"} << QStringList{unavailable};
    QTest::newRow("both missing") << "" << "" << msinfo << false << 2 << none << QStringList{unavailable};
    QTest::newRow("first of size 0: at once") << "1:" << "1=c:\\msinfo" << msinfo << false << 1 << none << QStringList{unavailable};
    QTest::newRow("second of size 0") << "" << "1:" << msinfo << false << 2 << none << QStringList{unavailable};
    QTest::newRow("first an expandable text: empty path") << "2=%SystemRoot%\\x" << "1=c:\\msinfo" << msinfo << false << 1 << none << QStringList{unavailable};
    QTest::newRow("error while looking up") << "error" << "1=c:\\msinfo" << msinfo << false << 1 << none << QStringList{unavailable};
    QTest::newRow("a file left out is shown, then on") << "problem|" << "1=c:\\msinfo" << msinfo << false << 2 << QStringList{"1 @/msinfo/MSINFO32.EXE"} << QStringList{problem};
    // clang-format on
}

void tst_about::startSysInfo()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QStringList, files);
    QFETCH(bool, startFails);
    QFETCH(QStringList, launches);
    const QString data = m_fake->paths.dataDirectory();
    for (const QString &file : files) {
        if (file.endsWith(u'/'))
            QVERIFY(QDir().mkpath(data + u'/' + file));
        else
            writeFile(data + u'/' + file, "");
    }
    m_fake->facts.registry.insert(sysInfoKey, lookupOf(first.replace(u'@', data)));
    m_fake->facts.registry.insert(folderKey, lookupOf(second.replace(u'@', data)));
    if (startFails)
        m_fake->launcher.next = {0, "Cannot start it."};

    frmAbout box(m_fake->host());
    box.show();
    box.findChild<QPushButton *>("cmdSysInfo")->click();

    const QStringList all{"80000002 SOFTWARE\\Microsoft\\Shared Tools\\MSINFO PATH",
                          "80000002 SOFTWARE\\Microsoft\\Shared Tools Location MSINFO"};
    QFETCH(int, lookups);
    QCOMPARE(m_fake->facts.lookups, all.mid(0, lookups));
    for (QString &launch : launches)
        launch.replace(u'@', data);
    QCOMPARE(lines(m_fake->launcher.calls), launches);
    QTEST(lines(m_fake->messages.boxes), "boxes");
    QVERIFY(box.isVisible());
}

void tst_about::enterAndEscClose_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("Esc") << int(Qt::Key_Escape);
}

void tst_about::enterAndEscClose()
{
    QFETCH(int, key);
    QPointer<frmAbout> box = new frmAbout(m_fake->host());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
    QVERIFY(QTest::qWaitForWindowActive(box));
    QCOMPARE(QApplication::focusWidget()->objectName(), "cmdOK");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    QTRY_VERIFY(box.isNull());
    QVERIFY(m_fake->facts.lookups.isEmpty());
}

void tst_about::systemInfoKeepsTheBoxOpen()
{
    m_fake->facts.registry.insert(sysInfoKey, lookupOf("1=/usr/bin/hardinfo"));
    frmAbout box(m_fake->host());
    box.show();
    QVERIFY(QTest::qWaitForWindowActive(&box));
    // Alt+S (which presses the button after a short show of it), then Tab and Enter on the
    // button itself.
    QTest::keyClick(box.windowHandle(), Qt::Key_S, Qt::AltModifier);
    QTRY_COMPARE(m_fake->launcher.calls.size(), 1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), "cmdSysInfo");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(lines(m_fake->launcher.calls), (QStringList{"1 /usr/bin/hardinfo", "1 /usr/bin/hardinfo"}));
    QVERIFY(box.isVisible());
    QVERIFY(m_fake->messages.boxes.isEmpty());
}

void tst_about::openedOverTheMainWindow()
{
    parlo main(m_fake->host(), aboutWindowMakers());
    main.move(300, 200);
    main.show();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    QAction *item = main.findChild<QAction *>("mabout");
    QVERIFY(item->isEnabled());
    item->trigger();
    QPointer<QWidget> box = main.instance("frmAbout");
    QVERIFY(box && box->isVisible());
    QVERIFY((box->geometry().center() - main.frameGeometry().center()).manhattanLength() < 40);
    box->findChild<QPushButton *>("cmdOK")->click();
    QTRY_VERIFY(box.isNull());
}

void tst_about::realStartFromAUserStore()
{
    // The user's store names a stand-in that writes the window style it was given.
    const QString program = m_temp->filePath("bin/sysinfo");
    writeFile(program,
              standInProgram("printf '%s' \"$style\" > \"$data/started.part\"\n"
                             "mv \"$data/started.part\" \"$data/started\"\n"),
              true);
    QString store = "Windows Registry Editor Version 5.00\n\n"
                    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO]\n\"PATH\"=\"" +
                    program + "\"\n";
    writeFile(m_temp->filePath("config/parlo/registry.reg"), store.toUtf8());
    QProcessEnvironment environment;
    environment.insert("HOME", m_temp->path());
    environment.insert("XDG_CONFIG_DIRS", m_temp->filePath("none"));
    environment.insert("XDG_CONFIG_HOME", m_temp->filePath("config"));
    const LinuxFacts facts(environment);
    QCOMPARE(facts.registry().files().last(), m_temp->filePath("config/parlo/registry.reg"));
    LinuxLauncher launcher({m_temp->filePath("compat"), m_fake->paths.dataDirectory()});
    QVERIFY(QDir().mkpath(m_fake->paths.dataDirectory()));

    frmAbout box(Host{m_fake->runner, launcher, m_fake->messages, facts, m_fake->paths});
    box.findChild<QPushButton *>("cmdSysInfo")->click();

    QFile started(m_fake->paths.dataDirectory() + "/started");
    QTRY_VERIFY_WITH_TIMEOUT(started.exists(), 5000);
    QVERIFY(started.open(QIODevice::ReadOnly));
    QCOMPARE(started.readAll(), QByteArray("1"));
    QVERIFY(m_fake->messages.boxes.isEmpty());
}

QTEST_MAIN(tst_about)
#include "tst_about.moc"
