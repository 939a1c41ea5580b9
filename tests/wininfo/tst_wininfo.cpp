#include "Fakes.h"
#include "LinuxFacts.h"
#include "parlo.h"
#include "wininfo.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QStringList boxes{"Text1", "Text2", "Text3", "Text4", "Text5"};

QStringList texts(QWidget *window)
{
    QStringList result;
    for (const QString &name : boxes)
        result << window->findChild<QLineEdit *>(name)->text();
    return result;
}

QString focusName()
{
    return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
}

} // namespace

class tst_wininfo : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void memoryText_data();
    void memoryText();
    void versionText_data();
    void versionText();
    void name_data();
    void name();
    void window_data();
    void window();
    void decimalCommaWindow();
    void focusTabAndBorder();
    void typedTextIsGoneOnReopening();
    void realMachine();

private:
    QTemporaryDir m_temp;
    std::unique_ptr<FakeHost> m_fake;
};

void tst_wininfo::init()
{
    m_fake = std::make_unique<FakeHost>(m_temp.path());
}

void tst_wininfo::memoryText_data()
{
    QTest::addColumn<quint64>("bytes");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("available");

    const QLocale c = QLocale::c(), english(QLocale::English, QLocale::UnitedStates), german(QLocale::German);
    // clang-format off
    QTest::newRow("512 MiB") << quint64(536870912) << c << "System RAM: 524288 Kb" << "Available RAM: 524288 Kb";
    QTest::newRow("not a multiple of 1024") << quint64(1536) << c << "System RAM: 1.5 Kb" << "Available RAM: 1.5 Kb";
    QTest::newRow("decimal comma") << quint64(1536) << german << "System RAM: 1,5 Kb" << "Available RAM: 1,5 Kb";
    QTest::newRow("decimal comma, no grouping") << quint64(1073741824) << german << "System RAM: 1048576 Kb" << "Available RAM: 1048576 Kb";
    QTest::newRow("2 GiB, past 32 bits signed") << quint64(2147483648) << c << "System RAM: 2097152 Kb" << "Available RAM: 2097152 Kb";
    QTest::newRow("16 GiB") << quint64(17179869184) << c << "System RAM: 16777216 Kb" << "Available RAM: 16777216 Kb";
    QTest::newRow("1 TiB") << quint64(1099511627776) << english << "System RAM: 1073741824 Kb" << "Available RAM: 1073741824 Kb";
    QTest::newRow("15 significant digits") << quint64(17179869185) << c << "System RAM: 16777216.0009766 Kb" << "Available RAM: 16777216.0009766 Kb";
    QTest::newRow("one byte") << quint64(1) << c << "System RAM: 0.0009765625 Kb" << "Available RAM: 0.0009765625 Kb";
    // clang-format on
}

void tst_wininfo::memoryText()
{
    QFETCH(quint64, bytes);
    QFETCH(QLocale, locale);
    QTEST(systemRamText(bytes, locale), "system");
    QTEST(availableRamText(bytes, locale), "available");
}

void tst_wininfo::versionText_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("expected");

    const QLocale c = QLocale::c(), german(QLocale::German);
    QTest::newRow("5.1") << 5 << 1 << c << "5.01";
    QTest::newRow("4.10") << 4 << 10 << c << "4.10";
    QTest::newRow("4.0") << 4 << 0 << c << "4.00";
    QTest::newRow("3.51") << 3 << 51 << c << "3.51";
    QTest::newRow("6.18") << 6 << 18 << c << "6.18";
    QTest::newRow("decimal comma") << 5 << 1 << german << "5,01";
}

void tst_wininfo::versionText()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(QLocale, locale);
    QTEST(winVersionText({major, minor, true}, locale), "expected");
}

void tst_wininfo::name_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<bool>("windows");
    QTest::addColumn<QString>("systemName");
    QTest::addColumn<QString>("expected");

    const QString debian = "Debian GNU/Linux 12 (bookworm)";
    // clang-format off
    QTest::newRow("NT 3.51") << 3 << 51 << true << "" << " Windows NT 3.51";
    QTest::newRow("NT 4.0, no blank") << 4 << 0 << true << "" << "Windows NT 4.0";
    QTest::newRow("98") << 4 << 10 << true << "" << " Windows 98";
    QTest::newRow("ME") << 4 << 90 << true << "" << " Windows ME";
    QTest::newRow("2000") << 5 << 0 << true << "" << " Windows 2000";
    QTest::newRow("XP") << 5 << 1 << true << "" << " Windows XP";
    QTest::newRow("a row wins over the own name") << 5 << 1 << true << debian << " Windows XP";
    QTest::newRow("minor 1 is not 10") << 4 << 1 << true << "" << "Unknown Version";
    QTest::newRow("Windows 7") << 6 << 1 << true << "" << "Unknown Version";
    QTest::newRow("Windows 7, named") << 6 << 1 << true << "Windows 7" << " Windows 7";
    QTest::newRow("Debian 12") << 6 << 1 << false << debian << " " + debian;
    QTest::newRow("Linux 5.1 is no XP") << 5 << 1 << false << debian << " " + debian;
    QTest::newRow("Linux 4.10, unnamed") << 4 << 10 << false << "" << "Unknown Version";
    // clang-format on
}

void tst_wininfo::name()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(bool, windows);
    QFETCH(QString, systemName);
    QTEST(versionName({major, minor, windows}, systemName), "expected");
}

void tst_wininfo::window_data()
{
    QTest::addColumn<VersionPair>("version");
    QTest::addColumn<QString>("systemName");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QStringList>("expected"); // Text1 to Text5

    // clang-format off
    QTest::newRow("XP") << VersionPair{5, 1, true} << "" << "OFFICE"
        << QStringList{"System RAM: 524288 Kb", "Available RAM: 102400 Kb", "Windows Version: 5.01", " Windows XP", "OFFICE"};
    QTest::newRow("Debian 12, no Samba") << VersionPair{6, 1, false} << "Debian GNU/Linux 12 (bookworm)" << ""
        << QStringList{"System RAM: 524288 Kb", "Available RAM: 102400 Kb", "Windows Version: 6.01", " Debian GNU/Linux 12 (bookworm)", ""};
    // clang-format on
}

void tst_wininfo::window()
{
    QFETCH(VersionPair, version);
    QLocale::setDefault(QLocale::c());
    m_fake->facts.versionPair = version;
    QFETCH(QString, systemName);
    m_fake->facts.osName = systemName;
    QFETCH(QString, group);
    m_fake->facts.group = group;
    wininfo window(m_fake->host());
    QTEST(texts(&window), "expected");
    QVERIFY(m_fake->messages.boxes.isEmpty());
    QVERIFY(m_fake->runner.calls.isEmpty());
}

void tst_wininfo::decimalCommaWindow()
{
    QLocale::setDefault(QLocale(QLocale::German));
    m_fake->facts.memory = {1536, 17179869184};
    wininfo window(m_fake->host());
    QLocale::setDefault(QLocale::c());
    QCOMPARE(texts(&window).mid(0, 4),
             (QStringList{"System RAM: 1,5 Kb", "Available RAM: 16777216 Kb", "Windows Version: 5,01", " Windows XP"}));
}

void tst_wininfo::focusTabAndBorder()
{
    wininfo window(m_fake->host());
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(focusName(), QStringLiteral("Command2"));
    QStringList order{focusName()};
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << focusName();
    }
    QCOMPARE(order, (QStringList{"Command2", "Text1", "Text2", "Text3", "Text4", "Text5", "Command2"}));

    QVERIFY(!window.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(window.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    const QColor scrollBar = QPalette().color(QPalette::Button);
    for (const QString &name : boxes) {
        auto *box = window.findChild<QLineEdit *>(name);
        QCOMPARE(box->palette().color(QPalette::Base), scrollBar);
        QVERIFY(!box->isReadOnly());
    }
}

void tst_wininfo::typedTextIsGoneOnReopening()
{
    parlo main(m_fake->host(), wininfoWindowMakers());
    QAction *item = main.findChild<QAction *>(QStringLiteral("mwininfo"));
    QVERIFY(item->isEnabled());
    item->trigger();
    QPointer<QWidget> first = main.instance(QStringLiteral("wininfo"));
    QVERIFY(first && first->isVisible());
    const QStringList gathered = texts(first);
    auto *box = first->findChild<QLineEdit *>(QStringLiteral("Text1"));
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("typed"));
    QCOMPARE(box->text(), QStringLiteral("typed"));

    m_fake->facts.memory.availPhys = 2048; // what a fresh instance gathers anew
    first->findChild<QPushButton *>(QStringLiteral("Command2"))->click();
    QTRY_VERIFY(first.isNull());
    item->trigger();
    QWidget *second = main.instance(QStringLiteral("wininfo"));
    QCOMPARE(texts(second)[0], gathered[0]);
    QCOMPARE(texts(second)[1], QStringLiteral("Available RAM: 2 Kb"));
    second->close(); // the close box does the same
    QTRY_VERIFY(!main.instance(QStringLiteral("wininfo")));
}

void tst_wininfo::realMachine()
{
    // This machine's figures, read here without the host layer.
    QFile meminfo("/proc/meminfo"), release("/proc/sys/kernel/osrelease");
    QVERIFY(meminfo.open(QIODevice::ReadOnly) && release.open(QIODevice::ReadOnly));
    const QString total = QString::fromLatin1(meminfo.readLine()).simplified().section(u' ', 1, 1);
    const QStringList kernel = QString::fromLatin1(release.readAll()).split(u'.');
    const QString version = kernel[0] + QLocale().decimalPoint() + kernel[1].rightJustified(2, u'0');

    LinuxFacts facts;
    wininfo window(Host{m_fake->runner, m_fake->launcher, m_fake->messages, facts, m_fake->paths});
    const QStringList shown = texts(&window);
    QCOMPARE(shown[0], "System RAM: " + total + " Kb");
    QVERIFY(shown[1].startsWith("Available RAM: ") && shown[1].endsWith(" Kb"));
    QCOMPARE(shown[2], "Windows Version: " + version);
    QCOMPARE(shown[3], facts.systemName().isEmpty() ? "Unknown Version" : " " + facts.systemName());
    if (QFile::exists("/etc/os-release"))
        QVERIFY(shown[3].size() > 1);
    QCOMPARE(shown[4], facts.workgroup());
}

QTEST_MAIN(tst_wininfo)
#include "tst_wininfo.moc"
