// The pop-ups of received messages: what they show, how many at once, and who receives.
#include "Fakes.h"
#include "receive/MessagePopups.h"
#include "receive/ReceiptStore.h"
#include "receive/frmMessage.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

int text(const frmMessage *popup)
{
    return popup->findChild<QPlainTextEdit *>("Text1")->toPlainText().toInt();
}

QString waiting(const frmMessage *popup)
{
    return popup->findChild<QLabel *>("lblWaiting")->text();
}

std::unique_ptr<MessagePopups> popupsIn(const QString &dir, MessageHistory &history = NoHistory::instance())
{
    const ReceivePlaces places{dir + "/spool", dir + "/received.sqlite", dir + "/receive.lock"};
    return std::make_unique<MessagePopups>(
        places, std::make_unique<ReceiptStore>(places.receipts), [](const QString &) {}, history);
}

void writeMessages(const QString &dir, int count)
{
    QVERIFY(QDir(dir).mkpath("spool"));
    for (int i = 0; i < count; ++i) {
        QFile file(dir + QString("/spool/%1-1.msg").arg(i + 1, 20, 10, QChar('0')));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("from=S\nto=R\ntime=2026-12-07T12:00:00Z\n\n" + QByteArray::number(i));
    }
}

QList<frmMessage *> openPopups()
{
    QList<frmMessage *> open;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *popup = qobject_cast<frmMessage *>(widget); popup && popup->isVisible())
            open.append(popup);
    }
    std::sort(open.begin(), open.end(), [](frmMessage *a, frmMessage *b) { return text(a) < text(b); });
    return open;
}

} // namespace

class tst_MessagePopups : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void visibleText()
    {
        const std::pair<QString, QString> rows[] = {
            {"a\tb\nc", "a\tb\nc"},
            {QString::fromUtf8("cut\0here", 8), "cut\u2400here"},
            {"gnp\u202e.exe \u2067a\u2069\u200f", "gnp[U+202E].exe [U+2067]a[U+2069][U+200F]"}, // bidi controls
            {"\u0633\u0644\u0627\u0645", "\u0633\u0644\u0627\u0645"},                           // Arabic letters stay
        };
        for (const auto &[text, shown] : rows)
            QCOMPARE(::visibleText(text), shown);
    }

    // Thirteen waiting: ten pop-ups, the newest counting the rest; a pop-up closed by the user
    // makes room for the next. One receiver a session. Exit quits, which closes every window: not
    // the user's close, so those pop-ups come again at the next start. Each message shown is
    // kept in the history once.
    void boundedAndCounted()
    {
        QTemporaryDir dir;
        writeMessages(dir.path(), 13);
        MemoryHistory history;
        auto popups = popupsIn(dir.path(), history);
        QVERIFY(popups->start());
        QVERIFY(!popupsIn(dir.path())->start());
        QTRY_COMPARE(openPopups().size(), 10);
        QCOMPARE(text(openPopups().first()), 0);
        QCOMPARE(waiting(openPopups().last()), waitingText(3));
        QCOMPARE(popups->unread(), 13);

        openPopups()[3]->findChild<QPushButton *>("cmdOK")->click();
        QTRY_COMPARE(text(openPopups().last()), 10);
        QCOMPARE(openPopups().size(), 10);
        QCOMPARE(waiting(openPopups().last()), waitingText(2));

        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        QApplication::exec();
        popups.reset();
        qDeleteAll(openPopups());
        popups = popupsIn(dir.path(), history);
        QVERIFY(popups->start());
        QTRY_COMPARE(openPopups().size(), 10);
        QCOMPARE(waiting(openPopups().last()), waitingText(2));
        QCOMPARE(popups->unread(), 12);
        QCOMPARE(history.entries.size(), 11);
        qDeleteAll(openPopups());
    }

    // A message arriving while the user types in another window leaves the focus there, and an
    // Enter meant for that window leaves the message unread; a pop-up the user activates stays so.
    void popupLeavesTheFocus()
    {
        QLineEdit typing;
        typing.show();
        QVERIFY(QTest::qWaitForWindowActive(&typing));
        QTemporaryDir dir;
        writeMessages(dir.path(), 1);
        auto popups = popupsIn(dir.path());
        QVERIFY(popups->start());
        QTRY_COMPARE(openPopups().size(), 1);
        QTest::qWait(50);
        QCOMPARE(QApplication::activeWindow(), &typing);
        QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_Return);
        QCOMPARE(popups->unread(), 1);
        openPopups().first()->activateWindow();
        QTest::qWait(50);
        QCOMPARE(QApplication::activeWindow(), openPopups().first());
        qDeleteAll(openPopups());
    }
};

QTEST_MAIN(tst_MessagePopups)
#include "tst_messagepopups.moc"
