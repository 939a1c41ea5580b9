// A burst of 1,000 messages through the pop-ups of a child process that acknowledges them in
// random order and is killed (SIGKILL) now and then: never more pop-ups than the bound, every
// message shown first in arrival order, none lost, none shown again once acknowledged.
#include "MessagePopups.h"
#include "frmMessage.h"

#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

constexpr int messageCount = 1000;

ReceivePlaces placesIn(const QString &dir)
{
    return {dir + "/spool", dir + "/received.sqlite", dir + "/receive.lock"};
}

// The child: shows the spool's messages and, every millisecond, clicks OK on one open pop-up.
// It prints "shown N" for each new pop-up and "acked N" once the click has returned, and "over"
// whenever more pop-ups are open than the bound; it quits when nothing was open for a while.
int runChild(const QString &dir)
{
    MessagePopups popups(placesIn(dir), [](const QString &) {});
    if (!popups.start())
        return 3;
    int idle = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &tick, [&idle] {
        QList<frmMessage *> open;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *popup = qobject_cast<frmMessage *>(widget); popup && popup->isVisible())
                open.append(popup);
        }
        if (open.size() > MessagePopups::maxOpen)
            std::printf("over %lld\n", static_cast<long long>(open.size()));
        QList<int> fresh; // in no particular order among the top-level widgets
        for (frmMessage *popup : open) {
            if (!popup->property("reported").toBool()) {
                popup->setProperty("reported", true);
                fresh.append(popup->findChild<QPlainTextEdit *>("Text1")->toPlainText().toInt());
            }
        }
        std::sort(fresh.begin(), fresh.end());
        for (const int n : fresh)
            std::printf("shown %d\n", n);
        idle = open.isEmpty() ? idle + 1 : 0;
        if (idle > 200)
            QCoreApplication::quit();
        else if (!open.isEmpty()) {
            frmMessage *popup = open[QRandomGenerator::global()->bounded(int(open.size()))];
            const QString text = popup->findChild<QPlainTextEdit *>("Text1")->toPlainText();
            popup->findChild<QPushButton *>("cmdOK")->click();
            std::printf("acked %s\n", qPrintable(text));
        }
        std::fflush(stdout);
    });
    tick.start(1);
    return QApplication::exec();
}

} // namespace

class tst_PopupBurst : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void burstSurvivesKills();
};

void tst_PopupBurst::burstSurvivesKills()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("spool"));
    for (int i = 0; i < messageCount; ++i) {
        QFile file(dir.filePath("spool/%1-1.msg").arg(i + 1, 20, 10, QChar('0')));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("from=S\nto=R\ntime=2026-12-07T12:00:00Z\n\n" + QByteArray::number(i));
    }
    QStringList lines;
    // Killed after a few hundred lines of output, four times; then left to finish.
    for (int round = 0; round < 5; ++round) {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("PARLO_BURST_CHILD", dir.path());
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForStarted(5000));
        const int killAfter = 200 + QRandomGenerator::global()->bounded(300);
        QByteArray output;
        while (child.waitForReadyRead(30000)) {
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

    QList<int> firstShown;
    QSet<int> shown, acked;
    for (const QString &line : lines) {
        QVERIFY2(!line.startsWith("over"), qPrintable(line));
        const int n = line.section(' ', 1).toInt();
        if (line.startsWith("shown")) {
            QVERIFY2(!acked.contains(n), qPrintable("shown again after it was acknowledged: " + line));
            if (!shown.contains(n))
                firstShown.append(n);
            shown.insert(n);
        } else if (line.startsWith("acked")) {
            acked.insert(n);
        }
    }
    QCOMPARE(firstShown.size(), messageCount);
    QVERIFY(std::is_sorted(firstShown.cbegin(), firstShown.cend()));
    // Only a click records a message as seen: each kill may cut off at most the one line of a
    // click that had been recorded.
    QVERIFY2(acked.size() >= messageCount - 4, qPrintable(QString::number(acked.size())));
    // Every message is recorded as seen, once.
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "check");
    db.setDatabaseName(dir.filePath("received.sqlite"));
    QVERIFY(db.open());
    QSqlQuery count(db);
    QVERIFY(count.exec("SELECT COUNT(*), COUNT(DISTINCT name) FROM acknowledged") && count.next());
    QCOMPARE(count.value(0).toInt(), messageCount);
    QCOMPARE(count.value(1).toInt(), messageCount);
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (const QString dir = qEnvironmentVariable("PARLO_BURST_CHILD"); !dir.isEmpty())
        return runChild(dir);
    tst_PopupBurst test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_popupburst.moc"
