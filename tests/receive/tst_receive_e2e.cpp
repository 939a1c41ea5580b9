// One Parlo sends through its main window and Parlo's net program; a private smbd hands the
// message to the built parlo-deliver; a second main window's pop-ups show it, and Reply
// addresses the sender there.
#include "ReceiveTesting.h"
#include "SambaReceiver.h"
#include "receive/MessagePopups.h"
#include "receive/ReceiptStore.h"
#include "receive/frmMessage.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QRegularExpression>
#include <QTemporaryDir>

class tst_ReceiveEndToEnd : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void popupShowsWhatWasSent_data();
    void popupShowsWhatWasSent();
};

namespace {

frmMessage *openPopup()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *popup = qobject_cast<frmMessage *>(widget); popup && popup->isVisible())
            return popup;
    }
    return nullptr;
}

} // namespace

void tst_ReceiveEndToEnd::popupShowsWhatWasSent_data()
{
    QTest::addColumn<QString>("message");
    for (const auto &[tag, text] : sentTexts)
        QTest::newRow(tag) << text;
}

void tst_ReceiveEndToEnd::popupShowsWhatWasSent()
{
    QFETCH(QString, message);
    if (!SambaReceiver::available())
        QSKIP("smbd is not installed (Debian package samba)");
    QTemporaryDir temp;
    const QString spool = temp.filePath("spool");
    const ReceivePlaces places{spool, temp.filePath("received.sqlite"), temp.filePath("receive.lock")};
    QVERIFY(QDir().mkpath(spool));
    SambaReceiver receiver(QStringLiteral("127.0.0.25"), true, {}, deliverCommand(spool));
    QVERIFY2(receiver.isReady(), qPrintable(receiver.error()));

    SendingParlo sender(temp.path());
    parlo receiving(sender.fake.host());
    auto popups = std::make_unique<MessagePopups>(places, std::make_unique<ReceiptStore>(places.receipts),
                                                  [&receiving](const QString &name) { receiving.replyTo(name); });
    QVERIFY(popups->start());

    const QString report = sender.send(receiver.address(), message);
    QVERIFY2(report.contains("successfully"), qPrintable(report));
    QTRY_VERIFY2_WITH_TIMEOUT(openPopup(), qPrintable(QDir(spool).entryList(QDir::Files | QDir::Hidden).join(u' ')),
                              10000);

    frmMessage *popup = openPopup();
    QCOMPARE(popup->findChild<QPlainTextEdit *>("Text1")->toPlainText(), message);
    const QString heading = popup->findChild<QLabel *>("Label1")->text();
    const QRegularExpressionMatch parts = QRegularExpression("^Message from (\\S+) to \\S+ on \\S+ ").match(heading);
    QVERIFY2(parts.hasMatch(), qPrintable(heading));
    if (qEnvironmentVariableIsSet("PARLO_SCREENSHOTS") && QLatin1String(QTest::currentDataTag()) == u"code page 850")
        popup->grab().save(QDir(qEnvironmentVariable("PARLO_SCREENSHOTS")).filePath("popup.png"));

    popup->findChild<QAbstractButton *>("cmdReply")->click();
    QCOMPARE(receiving.findChild<QLineEdit *>("txtno")->text(), parts.captured(1));
    QTRY_VERIFY(!openPopup());

    // Seen: the next start does not show it again.
    popups = std::make_unique<MessagePopups>(places, std::make_unique<ReceiptStore>(places.receipts),
                                             [](const QString &) {});
    QVERIFY(popups->start());
    QTest::qWait(200);
    QVERIFY(!openPopup());
}

QTEST_MAIN(tst_ReceiveEndToEnd)
#include "tst_receive_e2e.moc"
