#include "ui/OnScreen.h"

#include <QTest>
#include <QWidget>
#include <QWindow>

class tst_OnScreen : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void runsOnceWhenShown_data()
    {
        QTest::addColumn<bool>("askedBeforeShow");
        QTest::newRow("asked before the window is shown") << true;
        QTest::newRow("asked after show()") << false;
    }

    // Not before the window is on the screen, then exactly once.
    void runsOnceWhenShown()
    {
        QFETCH(bool, askedBeforeShow);
        QWidget window;
        int runs = 0;
        bool exposedThen = false;
        const auto work = [&] {
            ++runs;
            exposedThen = window.windowHandle() && window.windowHandle()->isExposed();
        };
        if (askedBeforeShow)
            whenOnScreen(&window, work);
        QTest::qWait(50);
        QCOMPARE(runs, 0);
        window.show();
        if (!askedBeforeShow)
            whenOnScreen(&window, work);
        QTRY_COMPARE_WITH_TIMEOUT(runs, 1, 3000);
        QVERIFY(exposedThen);
        QTest::qWait(1200); // past the time limit: still once
        QCOMPARE(runs, 1);
    }
};

QTEST_MAIN(tst_OnScreen)
#include "tst_onscreen.moc"
