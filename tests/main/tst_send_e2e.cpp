// A message typed into the real main window reaches a real Samba receiver through the real
// runner, /bin/sh and the net program of compat/.
#include "Fakes.h"
#include "LinuxFacts.h"
#include "RunningCommand.h"
#include "SambaReceiver.h"
#include "ShellInterpreter.h"
#include "parlo.h"

#include <QAbstractButton>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

class tst_SendEndToEnd : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void messageArrivesAsTyped_data();
    void messageArrivesAsTyped();
    void failuresShowTheirReason_data();
    void failuresShowTheirReason();

private:
    QString send(const QString &recipient, const QString &message, const char *picture = nullptr);

    std::unique_ptr<QTemporaryDir> m_temp;
    std::unique_ptr<FakeHost> m_fake;
};

void tst_SendEndToEnd::initTestCase()
{
    if (!SambaReceiver::available())
        QSKIP("smbd is not installed (Debian package samba)");
    if (!QFileInfo(QStringLiteral(PARLO_TEST_COMPAT_DIR "/net")).isExecutable())
        QFAIL("compat/net has not been built");
}

void tst_SendEndToEnd::init()
{
    m_temp = std::make_unique<QTemporaryDir>();
    m_fake = std::make_unique<FakeHost>(m_temp->path());
}

// Types the recipient and the message, clicks the send button, and returns what the message
// box shows afterwards; saves a picture of the window when PARLO_SCREENSHOTS names a folder.
QString tst_SendEndToEnd::send(const QString &recipient, const QString &message, const char *picture)
{
    LinuxFacts facts;
    QuietGuard guard;
    ShellInterpreter interpreter({QStringLiteral(PARLO_TEST_COMPAT_DIR), m_temp->path()}, facts, guard);
    Runner runner(interpreter);
    Host host{runner, m_fake->launcher, m_fake->messages, m_fake->facts, m_fake->paths};
    parlo window(host);
    window.show();
    QTest::keyClicks(window.findChild<QLineEdit *>(QStringLiteral("txtno")), recipient);
    auto *txtmsg = window.findChild<QPlainTextEdit *>(QStringLiteral("txtmsg"));
    txtmsg->setPlainText(message);
    window.findChild<QAbstractButton *>(QStringLiteral("cmdSend"))->click();
    if (picture && qEnvironmentVariableIsSet("PARLO_SCREENSHOTS"))
        window.grab().save(QDir(qEnvironmentVariable("PARLO_SCREENSHOTS")).filePath(QLatin1String(picture)));
    return txtmsg->toPlainText();
}

void tst_SendEndToEnd::messageArrivesAsTyped_data()
{
    QTest::addColumn<QString>("message");
    QTest::newRow("words") << "Lunch at noon";
    QTest::newRow("beyond ASCII") << "Grüße aus Parlo, ½ Stück für Æsop";
    QTest::newRow("shell syntax") << "it's $(date) & `id` > x; \"done\" *";
    QTest::newRow("blanks and lines") << "  two  blanks\nsecond line";
}

void tst_SendEndToEnd::messageArrivesAsTyped()
{
    QFETCH(QString, message);
    SambaReceiver receiver(QStringLiteral("127.0.0.20"));
    QVERIFY2(receiver.isReady(), qPrintable(receiver.error()));

    const bool pictured = QLatin1String(QTest::currentDataTag()) == u"beyond ASCII";
    const QString shown = send(receiver.address(), message, pictured ? "send-success.png" : nullptr);

    QCOMPARE(shown.trimmed(), QStringLiteral("The message was successfully sent to 127.0.0.20."));
    const QList<SambaReceiver::Message> received = receiver.messages();
    QCOMPARE(received.size(), 1);
    QCOMPARE(received[0].text, message);
    QVERIFY(!QFile::exists(QDir::current().filePath(QStringLiteral("x"))));
    QVERIFY(m_fake->messages.boxes.isEmpty());
}

void tst_SendEndToEnd::failuresShowTheirReason_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("receiverRuns");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("reason"); // part of the second line

    // clang-format off
    QTest::newRow("nothing listening") << "127.0.0.22" << false << "hello" << "refused";
    QTest::newRow("receiver refuses") << "127.0.0.21" << true << "hello" << "does not accept messages";
    QTest::newRow("not in code page 850") << "127.0.0.22" << false << "snow ☃" << "";
    QTest::newRow("too long") << "127.0.0.22" << false << QString(2000, u'x') << "";
    // clang-format on
}

void tst_SendEndToEnd::failuresShowTheirReason()
{
    QFETCH(QString, address);
    QFETCH(bool, receiverRuns);
    QFETCH(QString, message);
    QFETCH(QString, reason);
    std::unique_ptr<SambaReceiver> receiver;
    if (receiverRuns) {
        receiver = std::make_unique<SambaReceiver>(address, false);
        QVERIFY2(receiver->isReady(), qPrintable(receiver->error()));
    }

    QElapsedTimer clock;
    clock.start();
    const bool pictured = QLatin1String(QTest::currentDataTag()) == u"receiver refuses";
    const QString shown = send(address, message, pictured ? "send-failure.png" : nullptr);
    QVERIFY(clock.elapsed() < 15000);

    const QStringList lines = shown.trimmed().split(u'\n');
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0], QStringLiteral("An error occurred while sending a message to %1.").arg(address));
    QVERIFY(!lines[1].trimmed().isEmpty());
    QVERIFY2(lines[1].contains(reason, Qt::CaseInsensitive), qPrintable(lines[1]));
}

QTEST_MAIN(tst_SendEndToEnd)
#include "tst_send_e2e.moc"
