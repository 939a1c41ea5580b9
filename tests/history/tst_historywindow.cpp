#include "Fakes.h"
#include "history/HistoryWindow.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
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
};

QTEST_MAIN(tst_HistoryWindow)
#include "tst_historywindow.moc"
