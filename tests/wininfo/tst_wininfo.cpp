#include "Fakes.h"
#include "main/parlo.h"
#include "wininfo/wininfo.h"

#include <QAction>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

// The texts of Text1 to Text5.
static QStringList texts(QWidget *window)
{
    QStringList result;
    for (const char *name : {"Text1", "Text2", "Text3", "Text4", "Text5"})
        result << window->findChild<QLineEdit *>(name)->text();
    return result;
}

class tst_wininfo : public QObject
{
    Q_OBJECT

    QTemporaryDir m_temp;
    FakeHost m_fake{m_temp.path()};

private Q_SLOTS:
    void window()
    {
        const struct
        {
            QLocale locale;
            MemoryStatus memory;
            VersionPair version;
            QString systemName;
            QString group;
            const char *expected; // Text1 to Text5, joined by "|"
        } rows[] = {
            // clang-format off
            // Past 32 bits signed, and 15 significant digits.
            {QLocale::c(), {2147483648, 17179869185}, {6, 1, false}, "Debian 12", "OFFICE",
             "System RAM: 2097152 Kb|Available RAM: 16777216.0009766 Kb|Windows Version: 6.01| Debian 12|OFFICE"},
            // The comma, and no grouping of the thousands; Linux 5.1 is no Windows XP.
            {QLocale(QLocale::German), {1536, 17179869184}, {5, 1, false}, "", "",
             "System RAM: 1,5 Kb|Available RAM: 16777216 Kb|Windows Version: 5,01|Unknown Version|"},
            // clang-format on
        };
        for (const auto &row : rows) {
            m_fake.facts.memory = row.memory;
            m_fake.facts.versionPair = row.version;
            m_fake.facts.osName = row.systemName;
            m_fake.facts.group = row.group;
            QLocale::setDefault(row.locale);
            wininfo window(m_fake.host());
            QLocale::setDefault(QLocale::c());
            QCOMPARE(texts(&window).join('|'), row.expected);
        }
        QVERIFY(m_fake.messages.boxes.isEmpty() && m_fake.runner.calls.isEmpty());
    }

    void typedTextIsGoneOnReopening()
    {
        parlo main(m_fake.host(), wininfoWindowMakers());
        QAction *item = main.findChild<QAction *>("mwininfo");
        item->trigger();
        QPointer<QWidget> first = main.instance("wininfo");
        QVERIFY(first && first->isVisible());
        const QString total = texts(first)[0];
        auto *box = first->findChild<QLineEdit *>("Text1");
        box->selectAll();
        QTest::keyClicks(box, "typed");

        m_fake.facts.memory.availPhys = 2048; // what a fresh instance gathers anew
        first->findChild<QPushButton *>("Command2")->click();
        QTRY_VERIFY(first.isNull());
        item->trigger();
        QWidget *second = main.instance("wininfo");
        QCOMPARE(texts(second).mid(0, 2), QStringList({total, "Available RAM: 2 Kb"}));
        second->close(); // the close box does the same
        QTRY_VERIFY(!main.instance("wininfo"));
    }
};

QTEST_MAIN(tst_wininfo)
#include "tst_wininfo.moc"
