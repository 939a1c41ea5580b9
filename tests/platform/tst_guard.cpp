#include "GuardDialog.h"
#include "LinuxFacts.h"
#include "ShellInterpreter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// Looks for the modal "Running" dialog every 10 ms, notes what it shows and presses Stop;
// gives up after a bounded number of looks.
class StopPresser final : public QObject
{
public:
    StopPresser()
    {
        connect(&m_timer, &QTimer::timeout, this, &StopPresser::look);
        m_timer.start(10);
    }

    QString title;
    QString text;
    qint64 shownAfterMs = -1;

private:
    void look()
    {
        if (++m_looks > 1000) {
            m_timer.stop();
            return;
        }
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal->objectName() != u"RunningDialog")
            return;
        m_timer.stop();
        title = modal->windowTitle();
        if (auto *label = modal->findChild<QLabel *>())
            text = label->text();
        shownAfterMs = m_clock.elapsed();
        if (auto *stop = modal->findChild<QPushButton *>(QStringLiteral("Stop")))
            stop->click();
    }

    QTimer m_timer;
    int m_looks = 0;
    QElapsedTimer m_clock = [] {
        QElapsedTimer clock;
        clock.start();
        return clock;
    }();
};

} // namespace

class tst_Guard : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void shortCommandShowsNoDialog();
    void stopInTheDialogEndsTheCommand();

private:
    QTemporaryDir m_temp;
    LinuxFacts m_facts;
    GuardDialog m_guard;
    ShellInterpreter m_interpreter{{m_temp.path(), m_temp.path()}, m_facts, m_guard};
    Runner m_runner{m_interpreter};
};

void tst_Guard::shortCommandShowsNoDialog()
{
    StopPresser presser;
    const Capture capture = m_runner.RunCapture(QStringLiteral("echo quick"), 6);
    QCOMPARE(capture.text, QStringLiteral("quick\n"));
    QCOMPARE(presser.shownAfterMs, -1);
}

void tst_Guard::stopInTheDialogEndsTheCommand()
{
    StopPresser presser;
    QElapsedTimer clock;
    clock.start();
    const Capture capture = m_runner.RunCapture(QStringLiteral("echo begun; sleep 1000"), 6);
    QVERIFY(clock.elapsed() < 5000);
    QCOMPARE(presser.title, QStringLiteral("Running"));
    QCOMPARE(presser.text, QStringLiteral("echo begun; sleep 1000"));
    QVERIFY2(presser.shownAfterMs >= GuardDialog::delayMs - 50, qPrintable(QString::number(presser.shownAfterMs)));
    QCOMPARE(capture.text, QStringLiteral("begun\n")); // what was captured before Stop
    QVERIFY(!QApplication::activeModalWidget());
}

QTEST_MAIN(tst_Guard)
#include "tst_guard.moc"
