#include "Fakes.h"
#include "main/parlo.h"
#include "wininfo/wininfo.h"

#include <QAction>
#include <QApplication>
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

} // namespace

class tst_wininfo : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void memoryText_data();
    void memoryText();
    void window_data();
    void window();
    void typedTextIsGoneOnReopening();

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
    QTest::addColumn<QString>("kb");

    QTest::newRow("2 GiB, past 32 bits signed") << quint64(2147483648) << "2097152";
    QTest::newRow("15 significant digits") << quint64(17179869185) << "16777216.0009766";
}

void tst_wininfo::memoryText()
{
    QFETCH(quint64, bytes);
    QFETCH(QString, kb);
    QCOMPARE(systemRamText(bytes, QLocale::c()), "System RAM: " + kb + " Kb");
    QCOMPARE(availableRamText(bytes, QLocale::c()), "Available RAM: " + kb + " Kb");
}

void tst_wininfo::window_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<VersionPair>("version");
    QTest::addColumn<QString>("systemName");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QStringList>("expected"); // Text1 to Text5

    // clang-format off
    QTest::newRow("Debian 12 in a workgroup") << QLocale::c() << VersionPair{6, 1, false} << "Debian 12" << "OFFICE"
        << QStringList{"System RAM: 524288 Kb", "Available RAM: 102400 Kb", "Windows Version: 6.01", " Debian 12",
                       "OFFICE"};
    // The comma, and no grouping of the thousands; Linux 5.1 is no Windows XP.
    QTest::newRow("decimal comma, no Samba") << QLocale(QLocale::German) << VersionPair{5, 1, false} << "" << ""
        << QStringList{"System RAM: 1,5 Kb", "Available RAM: 16777216 Kb", "Windows Version: 5,01", "Unknown Version",
                       ""};
    // clang-format on
}

void tst_wininfo::window()
{
    QFETCH(QLocale, locale);
    QFETCH(VersionPair, version);
    QFETCH(QString, systemName);
    QFETCH(QString, group);
    m_fake->facts.versionPair = version;
    m_fake->facts.osName = systemName;
    m_fake->facts.group = group;
    if (locale != QLocale::c())
        m_fake->facts.memory = {1536, 17179869184};
    QLocale::setDefault(locale);
    wininfo window(m_fake->host());
    QLocale::setDefault(QLocale::c());
    QTEST(texts(&window), "expected");
    QVERIFY(m_fake->messages.boxes.isEmpty());
    QVERIFY(m_fake->runner.calls.isEmpty());
}

void tst_wininfo::typedTextIsGoneOnReopening()
{
    parlo main(m_fake->host(), wininfoWindowMakers());
    QAction *item = main.findChild<QAction *>(QStringLiteral("mwininfo"));
    item->trigger();
    QPointer<QWidget> first = main.instance(QStringLiteral("wininfo"));
    QVERIFY(first && first->isVisible());
    const QStringList gathered = texts(first);
    auto *box = first->findChild<QLineEdit *>(QStringLiteral("Text1"));
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("typed"));

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

QTEST_MAIN(tst_wininfo)
#include "tst_wininfo.moc"
