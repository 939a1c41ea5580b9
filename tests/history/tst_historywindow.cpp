#include "Fakes.h"
#include "history/HistoryWindow.h"
#include "platform/SqliteHistory.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

class tst_HistoryWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Newest first, narrowed as one types; Reply and Send again take the selected message.
    void filtersAndAnswers()
    {
        MemoryHistory history;
        const qint64 list = history.recordSent("lunch?", {"PC1", "GHOST"}, "List1");
        history.recordDelivery(list, "GHOST", Delivery::NameNotFound);
        history.recordDelivery(list, "PC1", Delivery::Delivered);
        history.recordReceived("CAROL", "Lunch at one", "m1");
        history.recordSent("hi\nthere", {"BOB"}, {});
        QStringList said;
        HistoryWindow window(
            history, [&said](const QString &name) { said << "reply " + name; },
            [&said](const QString &to, const QString &text) { said << "again " + to + '|' + text; });
        auto *filter = window.findChild<QLineEdit *>("txtFilter");
        auto *table = window.findChild<QTableView *>("grdMessages");
        const auto column = [&window](int column) {
            QStringList cells;
            for (int row = 0; row < window.model().rowCount(); ++row)
                cells << window.model().index(row, column).data().toString();
            return cells;
        };
        QCOMPARE(column(HistoryModel::Message), (QStringList{"hi there", "Lunch at one", "lunch?"}));
        QCOMPARE(column(HistoryModel::To).last(), "List1: PC1, GHOST (name not found)");
        QCOMPARE(column(HistoryModel::Outcome), (QStringList{"sending", "received", "1 of 2 delivered"}));

        QTest::keyClicks(filter, "LUNCH");
        QCOMPARE(column(HistoryModel::From), (QStringList{"CAROL", ""}));
        window.findChild<QPushButton *>("cmdReply")->click();
        QVERIFY(!window.findChild<QPushButton *>("cmdSendAgain")->isEnabled()); // a received one
        table->selectRow(1);
        window.findChild<QPushButton *>("cmdSendAgain")->click();
        filter->setText("bob");
        window.findChild<QPushButton *>("cmdSendAgain")->click();
        QCOMPARE(said, (QStringList{"reply CAROL", "again |lunch?", "again BOB|hi\nthere"}));
    }

    // A picture for the README, when PARLO_SCREENSHOTS names a folder.
    void picture()
    {
        if (!qEnvironmentVariableIsSet("PARLO_SCREENSHOTS"))
            QSKIP("PARLO_SCREENSHOTS is not set");
        QTemporaryDir dir;
        SqliteHistory history(dir.filePath("history.sqlite"));
        const qint64 list = history.recordSent("Fire drill at 3 pm, please leave by the east stairs.",
                                               {"ACCOUNTS1", "ACCOUNTS2", "GHOST", "PRINTROOM"}, "List1");
        for (const auto &[name, delivery] : {std::pair{"ACCOUNTS1", Delivery::Delivered},
                                             {"ACCOUNTS2", Delivery::Delivered},
                                             {"GHOST", Delivery::NameNotFound},
                                             {"PRINTROOM", Delivery::Unreachable}})
            history.recordDelivery(list, name, delivery);
        history.recordReceived("RECEPTION", "Your parcel has arrived.", "m1");
        const qint64 one = history.recordSent("On my way down.", {"RECEPTION"}, {});
        history.recordDelivery(one, "RECEPTION", Delivery::Delivered);
        HistoryWindow window(history, {}, {});
        window.resize(1000, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.grab().save(QDir(qEnvironmentVariable("PARLO_SCREENSHOTS")).filePath("history.png")));
    }
};

QTEST_MAIN(tst_HistoryWindow)
#include "tst_historywindow.moc"
