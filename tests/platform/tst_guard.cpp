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

class tst_Guard : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void dialog_data();
    void dialog();

private:
    QTemporaryDir m_temp;
    LinuxFacts m_facts;
    GuardDialog m_guard;
    ShellInterpreter m_interpreter{{m_temp.path(), m_temp.path()}, m_facts, m_guard};
    Runner m_runner{m_interpreter};
};

void tst_Guard::dialog_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("output");
    QTest::addColumn<bool>("shown");

    QTest::newRow("quick: no dialog") << "echo quick" << "quick\n" << false;
    QTest::newRow("endless: Stop ends it") << "echo begun; sleep 1000" << "begun\n" << true;
}

void tst_Guard::dialog()
{
    QFETCH(QString, command);
    QFETCH(QString, output);
    QFETCH(bool, shown);

    // Every 10 ms, look for the "Running" dialog, note what it shows and press Stop; give up
    // after a bounded number of looks.
    QElapsedTimer clock;
    clock.start();
    qint64 shownAfterMs = -1;
    QString title;
    QString text;
    int looks = 0;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (++looks > 1000)
            poll.stop();
        if (!modal || modal->objectName() != u"RunningDialog")
            return;
        poll.stop();
        shownAfterMs = clock.elapsed();
        title = modal->windowTitle();
        text = modal->findChild<QLabel *>()->text();
        modal->findChild<QPushButton *>(QStringLiteral("Stop"))->click();
    });
    poll.start(10);

    const Capture capture = m_runner.RunCapture(command, 6);

    QCOMPARE(capture.text, output); // what was captured before Stop
    QVERIFY(clock.elapsed() < 5000);
    QCOMPARE(shownAfterMs >= 0, shown);
    if (shown) {
        QVERIFY2(shownAfterMs >= GuardDialog::delayMs - 50, qPrintable(QString::number(shownAfterMs)));
        QCOMPARE(title, QStringLiteral("Running"));
        QCOMPARE(text, command);
    }
    QVERIFY(!QApplication::activeModalWidget());
}

QTEST_MAIN(tst_Guard)
#include "tst_guard.moc"
