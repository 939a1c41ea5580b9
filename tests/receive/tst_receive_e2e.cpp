// One Parlo sends through its main window and Parlo's net program; a private smbd hands the
// message to the built parlo-deliver; a second main window's pop-ups show it, and Reply
// addresses the sender there.
#include "Fakes.h"
#include "LinuxFacts.h"
#include "MessagePopups.h"
#include "RunningCommand.h"
#include "SambaReceiver.h"
#include "ShellInterpreter.h"
#include "frmMessage.h"
#include "parlo.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

class tst_ReceiveEndToEnd : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
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

void tst_ReceiveEndToEnd::initTestCase()
{
    if (!SambaReceiver::available())
        QSKIP("smbd is not installed (Debian package samba)");
}

void tst_ReceiveEndToEnd::popupShowsWhatWasSent_data()
{
    QTest::addColumn<QString>("message");
    QTest::newRow("code page 850") << "Grüße, ½ Stück für Æsop ±5 ÿ";
    QTest::newRow("shell syntax and lines") << "it's $(id) & `id`;\n  second \"line\" %f %s";
}

void tst_ReceiveEndToEnd::popupShowsWhatWasSent()
{
    QFETCH(QString, message);
    QTemporaryDir temp;
    QVERIFY(QDir(temp.path()).mkpath("spool"));
    const QString spool = temp.filePath("spool");
    SambaReceiver receiver(
        QStringLiteral("127.0.0.25"), true, {},
        QStringLiteral(PARLO_TEST_DELIVER " --spool=%1 %f %L %s &").arg(spool)); // "&" arrives as a word
    QVERIFY2(receiver.isReady(), qPrintable(receiver.error()));

    FakeHost fake(temp.path());
    LinuxFacts facts;
    QuietGuard guard;
    ShellInterpreter interpreter({QStringLiteral(PARLO_TEST_COMPAT_DIR), temp.path()}, facts, guard);
    Runner runner(interpreter);
    parlo sender(Host{runner, fake.launcher, fake.messages, fake.facts, fake.paths});
    parlo receiving(fake.host());
    MessagePopups popups(spool, [&receiving](const QString &name) { receiving.replyTo(name); });
    popups.start();

    QTest::keyClicks(sender.findChild<QLineEdit *>("txtno"), receiver.address());
    sender.findChild<QPlainTextEdit *>("txtmsg")->setPlainText(message);
    sender.findChild<QAbstractButton *>("cmdSend")->click();
    const QString report = sender.findChild<QPlainTextEdit *>("txtmsg")->toPlainText();
    QVERIFY2(report.contains("successfully"), qPrintable(report));
    QTRY_VERIFY2_WITH_TIMEOUT(openPopup(), qPrintable(QDir(spool).entryList(QDir::Files | QDir::Hidden).join(u' ')),
                              10000);

    frmMessage *popup = openPopup();
    QCOMPARE(popup->findChild<QPlainTextEdit *>("Text1")->toPlainText(), message);
    const QString heading = popup->findChild<QLabel *>("Label1")->text();
    const QRegularExpressionMatch parts = QRegularExpression("^Message from (\\S+) to \\S+ on \\S+ ").match(heading);
    QVERIFY2(parts.hasMatch(), qPrintable(heading));
    QTRY_COMPARE(QDir(spool).entryList(QDir::Files | QDir::Hidden), QStringList());
    if (qEnvironmentVariableIsSet("PARLO_SCREENSHOTS") && QLatin1String(QTest::currentDataTag()) == u"code page 850")
        popup->grab().save(QDir(qEnvironmentVariable("PARLO_SCREENSHOTS")).filePath("popup.png"));

    popup->findChild<QAbstractButton *>("cmdReply")->click();
    QCOMPARE(receiving.findChild<QLineEdit *>("txtno")->text(), parts.captured(1));
    QTRY_VERIFY(!openPopup());
}

QTEST_MAIN(tst_ReceiveEndToEnd)
#include "tst_receive_e2e.moc"
