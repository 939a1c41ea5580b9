#include "Fakes.h"
#include "StandIn.h"
#include "TestFiles.h"
#include "about/frmAbout.h"
#include "main/parlo.h"
#include "platform/LinuxFacts.h"
#include "platform/LinuxLauncher.h"

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

// A lookup written short: "" no key, "key" a key without the value, "error", "T=text" a text
// of type T with its terminating zero, "T:" a value of type T and size 0; "problem|" before
// any of them adds a sentence about a file left out.
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
    else if (written.contains(u'='))
        found.value = RegistryValue{written.section(u'=', 0, 0).toUInt(), written.section(u'=', 1).toUtf8() + '\0'};
    else if (written.endsWith(u':'))
        found.value = RegistryValue{written.chopped(1).toUInt(), {}};
    return found;
}

} // namespace

class tst_about : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_temp;
    std::unique_ptr<FakeHost> m_fake;

private Q_SLOTS:
    void init()
    {
        m_temp = std::make_unique<QTemporaryDir>();
        m_fake = std::make_unique<FakeHost>(m_temp->filePath("data"));
    }

    void keyValue_data()
    {
        QTest::addColumn<quint32>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<KeyResult>("result");
        QTest::addColumn<QString>("KeyVal"); // it holds "before" on entry

        const QByteArray text1023 = QByteArray(1023, 'x');
        // clang-format off
        QTest::newRow("text, its zero dropped") << 1u << QByteArray("c:\\x", 5) << KeyResult::True << "c:\\x";
        QTest::newRow("text without a zero") << 1u << QByteArray("c:\\x") << KeyResult::True << "c:\\x";
        QTest::newRow("only one zero dropped") << 1u << QByteArray("ab\0\0", 4) << KeyResult::True
            << QString("ab") + QChar(0);
        QTest::newRow("empty text") << 1u << QByteArray(1, '\0') << KeyResult::True << "";
        QTest::newRow("number") << 4u << QByteArray("\xab\x56\x34\x12", 4) << KeyResult::True << "&h123456AB";
        QTest::newRow("another type: unchanged") << 2u << QByteArray("%x%", 4) << KeyResult::True << "before";
        QTest::newRow("1024 bytes fit") << 1u << text1023 + '\0' << KeyResult::True << QString(text1023);
        QTest::newRow("1025 bytes do not") << 1u << text1023 + "y" + '\0' << KeyResult::False << "";
        QTest::newRow("size 0 is an error") << 1u << QByteArray() << KeyResult::Error << "before";
        // clang-format on
    }

    void keyValue()
    {
        QFETCH(quint32, type);
        QFETCH(QByteArray, data);
        QString KeyVal = "before";
        QTEST(keyValueText({type, data}, KeyVal), "result");
        QTEST(KeyVal, "KeyVal");
    }

    // The data folder holds msinfo/MSINFO32.EXE, lower/msinfo32.exe and a folder dir/MSINFO32.EXE.
    void startSysInfo_data()
    {
        QTest::addColumn<QString>("first");   // the program's path entry (see lookupOf)
        QTest::addColumn<QString>("second");  // the folder entry
        QTest::addColumn<bool>("startFails"); // what the launcher answers
        QTest::addColumn<int>("lookups");
        QTest::addColumn<QStringList>("effects"); // "STYLE PROGRAM" (@: the data folder), then the boxes

        const QString folder = "1=c:\\msinfo", program = "1 @/msinfo/MSINFO32.EXE";
        const QStringList unavailable{"Parlo: System Information Is Unavailable At This Time"};
        // clang-format off
        QTest::newRow("first entry, mapped, unchecked") << "1=c:\\tools\\info.exe" << folder << false << 1
            << QStringList{"1 @/tools/info.exe"};
        QTest::newRow("first entry, a Linux path, cannot start") << "1=/nowhere\\x" << folder << true << 1
            << QStringList{"1 /nowhere/x"} + unavailable;
        QTest::newRow("fallback to the folder") << "" << folder << false << 2 << QStringList{program};
        QTest::newRow("fallback when the key lacks the value") << "key" << folder << false << 2 << QStringList{program};
        QTest::newRow("folder without the program") << "" << "1=c:\\lower" << false << 2 << unavailable;
        QTest::newRow("folder holds a folder of that name") << "" << "1=c:\\dir" << false << 2 << unavailable;
        QTest::newRow("first of size 0: at once") << "1:" << folder << false << 1 << unavailable;
        QTest::newRow("first an expandable text: empty path") << "2=%SystemRoot%\\x" << folder << false << 1
            << unavailable;
        QTest::newRow("error while looking up") << "error" << folder << false << 1 << unavailable;
        QTest::newRow("a file left out is shown, then on") << "problem|" << folder << false << 2
            << QStringList{program, "Parlo: The registry file x cannot be read at line 2: y."};
        // clang-format on
    }

    void startSysInfo()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(QStringList, effects);
        const QString data = m_fake->paths.dataDirectory();
        writeFile(data + "/msinfo/MSINFO32.EXE", "");
        writeFile(data + "/lower/msinfo32.exe", "");
        QVERIFY(QDir().mkpath(data + "/dir/MSINFO32.EXE"));
        m_fake->facts.registry.insert(sysInfoKey, lookupOf(first));
        m_fake->facts.registry.insert(folderKey, lookupOf(second));
        QFETCH(bool, startFails);
        if (startFails)
            m_fake->launcher.next = {0, "Cannot start it."};

        frmAbout box(m_fake->host());
        box.findChild<QPushButton *>("cmdSysInfo")->click();

        QTEST(int(m_fake->facts.lookups.size()), "lookups");
        QCOMPARE(lines(m_fake->launcher.calls) + lines(m_fake->messages.boxes), effects.replaceInStrings("@", data));
    }

    // Opened from the menu over the main window; Enter and Esc close it without a lookup.
    void openedOverTheMainWindow_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("Esc") << int(Qt::Key_Escape);
    }

    void openedOverTheMainWindow()
    {
        parlo main(m_fake->host(), aboutWindowMakers());
        main.move(300, 200);
        main.show();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        main.findChild<QAction *>("mabout")->trigger();
        QPointer<QWidget> box = main.instance("frmAbout");
        QVERIFY(box && box->isVisible());
        QVERIFY((box->geometry().center() - main.frameGeometry().center()).manhattanLength() < 40);
        QFETCH(int, key);
        QTest::keyClick(box->focusWidget(), Qt::Key(key));
        QTRY_VERIFY(box.isNull());
        QVERIFY(m_fake->facts.lookups.isEmpty());
    }

    void systemInfoKeepsTheBoxOpen()
    {
        m_fake->facts.registry.insert(sysInfoKey, lookupOf("1=/usr/bin/hardinfo"));
        frmAbout box(m_fake->host());
        box.show();
        QVERIFY(QTest::qWaitForWindowActive(&box));
        // Alt+S (which presses the button after a short show of it), then Tab to the button and
        // Enter on it.
        QTest::keyClick(box.windowHandle(), Qt::Key_S, Qt::AltModifier);
        QTRY_COMPARE(m_fake->launcher.calls.size(), 1);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(lines(m_fake->launcher.calls), (QStringList{"1 /usr/bin/hardinfo", "1 /usr/bin/hardinfo"}));
        QVERIFY(box.isVisible());
        QVERIFY(m_fake->messages.boxes.isEmpty());
    }

    void realStartFromAUserStore()
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
};

QTEST_MAIN(tst_about)
#include "tst_about.moc"
