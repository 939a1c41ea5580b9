// The pop-ups of received messages: what they show, how many at once, who receives, and a burst
// of 1,000 messages through a child process that acknowledges them in random order and is
// killed (SIGKILL) now and then.
#include "receive/MessagePopups.h"
#include "receive/ReceiptStore.h"
#include "receive/frmMessage.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

constexpr int messageCount = 1000;

int text(const frmMessage *popup)
{
    return popup->findChild<QPlainTextEdit *>("Text1")->toPlainText().toInt();
}

QString waiting(const frmMessage *popup)
{
    return popup->findChild<QLabel *>("lblWaiting")->text();
}

std::unique_ptr<MessagePopups> popupsIn(const QString &dir)
{
    const ReceivePlaces places{dir + "/spool", dir + "/received.sqlite", dir + "/receive.lock"};
    return std::make_unique<MessagePopups>(places, [](const QString &) {});
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

// The child: shows the spool's messages and, every millisecond, clicks OK on one open pop-up.
// It prints "shown N" for each new pop-up and "acked N" once the click has returned; it quits
// when nothing was open for a while.
int runChild(const QString &dir)
{
    const auto popups = popupsIn(dir);
    if (!popups->start())
        return 3;
    int idle = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &tick, [&idle] {
        const QList<frmMessage *> open = openPopups();
        for (frmMessage *popup : open) {
            if (!popup->property("reported").toBool()) {
                popup->setProperty("reported", true);
                std::printf("shown %d\n", text(popup));
            }
        }
        idle = open.isEmpty() ? idle + 1 : 0;
        if (idle > 200)
            QCoreApplication::quit();
        else if (!open.isEmpty()) {
            frmMessage *popup = open[QRandomGenerator::global()->bounded(int(open.size()))];
            const int n = text(popup);
            popup->findChild<QPushButton *>("cmdOK")->click();
            std::printf("acked %d\n", n);
        }
        std::fflush(stdout);
    });
    tick.start(1);
    return QApplication::exec();
}

} // namespace

class tst_MessagePopups : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void visibleText()
    {
        const struct
        {
            QString text;
            QString shown;
        } rows[] = {
            {"a\tb\nc", "a\tb\nc"},
            {QString::fromUtf8("cut\0here", 8), "cut\u2400here"},
            {"gnp\u202e.exe", "gnp[U+202E].exe"},                     // right-to-left override
            {"\u2067a\u2069\u200f", "[U+2067]a[U+2069][U+200F]"},     // isolates and marks
            {"\u0633\u0644\u0627\u0645", "\u0633\u0644\u0627\u0645"}, // Arabic letters stay
        };
        for (const auto &row : rows)
            QCOMPARE(::visibleText(row.text), row.shown);
    }

    // Thirteen waiting: ten pop-ups, the newest counting the rest; a pop-up closed by the user
    // makes room for the next. Exit quits, which closes every window: not the user's close, so
    // those pop-ups come again at the next start.
    void boundedAndCounted()
    {
        QTemporaryDir dir;
        writeMessages(dir.path(), 13);
        auto popups = popupsIn(dir.path());
        QVERIFY(popups->start());
        QTRY_COMPARE(openPopups().size(), 10);
        QCOMPARE(text(openPopups().first()), 0);
        QCOMPARE(waiting(openPopups().first()), QString());
        QCOMPARE(waiting(openPopups().last()), waitingText(3));

        openPopups()[3]->findChild<QPushButton *>("cmdOK")->click();
        QTRY_COMPARE(text(openPopups().last()), 10);
        QCOMPARE(openPopups().size(), 10);
        QCOMPARE(waiting(openPopups().last()), waitingText(2));

        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        QApplication::exec();
        popups.reset();
        qDeleteAll(openPopups());
        popups = popupsIn(dir.path());
        QVERIFY(popups->start());
        QTRY_COMPARE(openPopups().size(), 10);
        QCOMPARE(waiting(openPopups().last()), waitingText(2));
        qDeleteAll(openPopups());
    }

    void oneReceiverPerSession()
    {
        QTemporaryDir dir;
        writeMessages(dir.path(), 0);
        auto first = popupsIn(dir.path());
        QVERIFY(first->start());
        QVERIFY(!popupsIn(dir.path())->start());
        first.reset();
        QVERIFY(popupsIn(dir.path())->start());
    }

    void burstSurvivesKills()
    {
        QTemporaryDir dir;
        writeMessages(dir.path(), messageCount);
        QStringList lines;
        // Killed after a few hundred lines of output, four times; then left to finish.
        for (int round = 0; round < 5; ++round) {
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(), {"--burst-child", dir.path()});
            QVERIFY(child.waitForStarted(5000));
            const int killAfter = 200 + QRandomGenerator::global()->bounded(300);
            QByteArray output;
            const QDeadlineTimer deadline(60000);
            while (!deadline.hasExpired() && child.waitForReadyRead(30000)) {
                output += child.readAllStandardOutput();
                if (round < 4 && output.count('\n') >= killAfter) {
                    child.kill(); // SIGKILL
                    break;
                }
            }
            child.waitForFinished(30000);
            output += child.readAllStandardOutput();
            lines += QString::fromLatin1(output).split('\n', Qt::SkipEmptyParts);
        }

        QSet<int> shown, acked;
        for (const QString &line : lines) {
            const int n = line.section(' ', 1).toInt();
            const bool isShown = line.startsWith("shown");
            QVERIFY2(!isShown || !acked.contains(n), qPrintable("shown again after it was acknowledged: " + line));
            (isShown ? shown : acked).insert(n);
        }
        QCOMPARE(shown.size(), messageCount);
        // Only a click records a message as seen: each kill may cut off at most the one line of a
        // click that had been recorded.
        QVERIFY2(acked.size() >= messageCount - 4, qPrintable(QString::number(acked.size())));
        ReceiptStore receipts(dir.filePath("received.sqlite"));
        QCOMPARE(receipts.open(), QString());
        QCOMPARE(receipts.acknowledged().size(), messageCount);
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--burst-child") == 0)
        return runChild(QFile::decodeName(argv[2]));
    tst_MessagePopups test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_messagepopups.moc"
