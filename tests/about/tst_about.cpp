#include "StandIn.h"
#include "TestFiles.h"
#include "about/frmAbout.h"
#include "main/parlo.h"
#include "platform/LinuxFacts.h"
#include "platform/LinuxLauncher.h"

#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

const QString sysInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO|PATH";
const QString folderKey = "SOFTWARE\\Microsoft\\Shared Tools Location|MSINFO";

// A key holding a value of this type: text, with its terminating zero unless told.
static RegistryLookup holding(quint32 type, const QByteArray &text, bool zero = true)
{
    return {true, RegistryValue{type, zero ? text + '\0' : text}, {}, {}};
}

class tst_about : public QObject
{
    Q_OBJECT

    QTemporaryDir m_temp;
    FakeHost m_fake{m_temp.filePath("data")};

private Q_SLOTS:
    // The data folder holds msinfo/MSINFO32.EXE and a folder dir/MSINFO32.EXE.
    void startSysInfo()
    {
        const QString data = m_fake.paths.dataDirectory();
        writeFile(data + "/msinfo/MSINFO32.EXE", "");
        QVERIFY(QDir().mkpath(data + "/dir/MSINFO32.EXE"));
        const RegistryLookup folder = holding(1, "c:\\msinfo");
        const QString program = "1 " + data + "/msinfo/MSINFO32.EXE";
        const QString unavailable = "Parlo: System Information Is Unavailable At This Time";
        const QString left = "The registry file x cannot be read.";
        // The program's path entry, the folder entry, whether starting fails, and the effects:
        // "STYLE PROGRAM", then the boxes; they tell whether the folder was looked up.
        const std::tuple<const char *, RegistryLookup, RegistryLookup, bool, QStringList> rows[] = {
            {"no zero, unchecked", holding(1, "c:\\t\\x.exe", false), folder, false, {"1 " + data + "/t/x.exe"}},
            {"a Linux path, cannot start", holding(1, "/nowhere\\x"), folder, true, {"1 /nowhere/x", unavailable}},
            {"no key: the folder", {}, folder, false, {program}},
            {"folder holds a folder of that name", {}, holding(1, "c:\\dir"), false, {unavailable}},
            {"first of size 0: at once", holding(1, "", false), folder, false, {unavailable}},
            {"an expandable text: empty path", holding(2, "%SystemRoot%\\x"), folder, false, {unavailable}},
            {"error while looking up", {true, {}, "broken", {}}, folder, false, {unavailable}},
            {"a file left out is told, then on", {false, {}, {}, {left}}, folder, false, {program, "Parlo: " + left}},
        };
        for (const auto &[name, first, second, startFails, expected] : rows) {
            FakeHost fake(data);
            fake.facts.registry.insert(sysInfoKey, first);
            fake.facts.registry.insert(folderKey, second);
            if (startFails)
                fake.launcher.next = {0, "Cannot start it."};
            frmAbout box(fake.host());
            box.findChild<QPushButton *>("cmdSysInfo")->click();
            const QStringList effects = lines(fake.launcher.calls) + lines(fake.messages.boxes);
            QVERIFY2(effects == expected, qPrintable(name + (": " + effects.join(" / "))));
        }
    }

    // Opened from the menu. Enter on "System Info..." starts the program and leaves the box open;
    // Esc closes it.
    void keys()
    {
        m_fake.facts.registry.insert(sysInfoKey, holding(1, "/usr/bin/hardinfo"));
        parlo main(m_fake.host(), aboutWindowMakers());
        main.show();
        main.findChild<QAction *>("mabout")->trigger();
        QPointer<QWidget> box = main.instance("frmAbout");
        QVERIFY(QTest::qWaitForWindowActive(box));
        // Tab to "System Info...", Enter on it, Tab back to OK.
        for (const Qt::Key step : {Qt::Key_Tab, Qt::Key_Return, Qt::Key_Tab})
            QTest::keyClick(QApplication::focusWidget(), step);
        QVERIFY(box->isVisible());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QTRY_VERIFY(box.isNull());
        QCOMPARE(lines(m_fake.launcher.calls) + lines(m_fake.messages.boxes), QStringList{"1 /usr/bin/hardinfo"});
    }

    // The user's store names a stand-in that writes the window style it was given.
    void realStartFromAUserStore()
    {
        const QString program = m_temp.filePath("bin/sysinfo");
        writeFile(program, standInProgram("printf '%s' \"$style\" > \"$data/started\"\n"), true);
        writeFile(m_temp.filePath("config/parlo/registry.reg"),
                  "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared "
                  "Tools\\MSINFO]\n\"PATH\"=\"" +
                      program.toUtf8() + "\"\n");
        QProcessEnvironment environment;
        environment.insert("HOME", m_temp.path());
        environment.insert("XDG_CONFIG_DIRS", m_temp.filePath("none"));
        environment.insert("XDG_CONFIG_HOME", m_temp.filePath("config"));
        const LinuxFacts facts(environment);
        const QString data = m_fake.paths.dataDirectory();
        LinuxLauncher launcher({m_temp.filePath("compat"), data});
        QVERIFY(QDir().mkpath(data));
        frmAbout box(Host{m_fake.runner, launcher, m_fake.messages, facts, m_fake.paths});
        box.findChild<QPushButton *>("cmdSysInfo")->click();
        QTRY_COMPARE_WITH_TIMEOUT(readFile(data + "/started"), QByteArray("1"), 5000);
    }
};

QTEST_MAIN(tst_about)
#include "tst_about.moc"
