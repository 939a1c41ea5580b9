// A message typed into the real main window reaches a real Samba receiver through the real
// runner, /bin/sh and the net program of compat/.
#include "Fakes.h"
#include "PrivateNetwork.h"
#include "SambaReceiver.h"
#include "TestFiles.h"
#include "main/parlo.h"
#include "platform/LinuxFacts.h"
#include "platform/LinuxLauncher.h"
#include "platform/RunningCommand.h"
#include "platform/ShellInterpreter.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
QString networkError;
} // namespace

class tst_SendEndToEnd : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        if (!SambaReceiver::available())
            QSKIP("smbd is not installed (Debian package samba)");
        if (!QFileInfo(QStringLiteral(PARLO_TEST_COMPAT_DIR "/net")).isExecutable())
            QFAIL("compat/net has not been built");
    }

    // A message arrives as typed, or the second line of what the window shows says why it did not.
    // A picture of the window afterwards is saved when PARLO_SCREENSHOTS names a folder.
    void send()
    {
        // The receiver's address, the message, words of the second line (null: sent, the receiver
        // accepts), and the picture.
        const std::tuple<QString, QString, QString, QString> rows[] = {
            {"127.0.0.20", "Grüße aus Parlo, ½ Stück für Æsop", {}, "send-success.png"},
            {"127.0.0.21", "hello", "does not accept messages", "send-failure.png"},
        };
        for (const auto &[address, message, reason, picture] : rows) {
            QTemporaryDir temp;
            FakeHost fake(temp.path());
            LinuxFacts facts;
            QuietGuard guard;
            ShellInterpreter interpreter({QStringLiteral(PARLO_TEST_COMPAT_DIR), temp.path()}, facts, guard);
            Runner runner(interpreter);
            parlo window(Host{runner, fake.launcher, fake.messages, fake.facts, fake.paths});
            SambaReceiver smbd(address, reason.isNull());
            QVERIFY2(smbd.isReady(), qPrintable(smbd.error()));
            window.show();
            QTest::keyClicks(window.findChild<QLineEdit *>(QStringLiteral("txtno")), address);
            auto *txtmsg = window.findChild<QPlainTextEdit *>(QStringLiteral("txtmsg"));
            txtmsg->setPlainText(message);
            QElapsedTimer clock;
            clock.start();
            window.findChild<QAbstractButton *>(QStringLiteral("cmdSend"))->click();
            QVERIFY2(clock.elapsed() < 15000, qPrintable(message));
            if (qEnvironmentVariableIsSet("PARLO_SCREENSHOTS"))
                window.grab().save(QDir(qEnvironmentVariable("PARLO_SCREENSHOTS")).filePath(picture));
            QVERIFY2(fake.messages.boxes.isEmpty(), qPrintable(message));
            const QStringList lines = txtmsg->toPlainText().trimmed().split(u'\n');
            QVERIFY2(lines[0].contains(address), qPrintable(lines[0]));
            if (reason.isNull()) {
                QVERIFY2(lines.size() == 1 && lines[0].contains("successfully"), qPrintable(lines.join(u'\n')));
                const QList<SambaReceiver::Message> received = smbd.messages();
                QCOMPARE(received.size(), 1);
                QCOMPARE(received[0].text, message);
                continue;
            }
            QCOMPARE(lines.size(), 2);
            QVERIFY2(lines[1].contains(reason, Qt::CaseInsensitive), qPrintable(lines[1]));
        }
    }

    // A list send through the real launcher and nets: once the last has ended, one line names
    // each copy that failed and why, and the history holds every copy's outcome.
    void listReport()
    {
        if (!networkError.isEmpty())
            QSKIP(qPrintable("a name that is found nowhere needs a network of the test's own: " + networkError));
        QTemporaryDir temp;
        FakeHost fake(temp.path());
        SambaReceiver accepting(QStringLiteral("127.0.0.22")), refusing(QStringLiteral("127.0.0.23"), false);
        QVERIFY2(accepting.isReady() && refusing.isReady(), qPrintable(accepting.error() + refusing.error()));
        writeFile(temp.filePath("list1.txt"),
                  "127.0.0.22\r\n127.0.0.23\r\n127.0.0.24\r\nGHOST\r\nsixteen-letters1\r\n");
        LinuxLauncher launcher({QStringLiteral(PARLO_TEST_COMPAT_DIR), temp.path()});
        parlo window(Host{fake.runner, launcher, fake.messages, fake.facts, fake.paths, fake.history});
        QSignalSpy reported(&window, &parlo::listReported);
        window.findChild<QPlainTextEdit *>("txtmsg")->setPlainText("hello");
        window.findChild<QAction *>("mlist1")->trigger();
        QVERIFY(reported.wait(20000));
        QCOMPARE(reported[0][0].toString(),
                 "List1: 1 of 5 delivered; 127.0.0.23: refused by the receiver; "
                 "127.0.0.24: unreachable; GHOST: name not found; sixteen-letters1: too long");
        QCOMPARE(accepting.messages().size(), 1);
        QCOMPARE(fake.history.entries.value(0).recipients.size(), 5);
    }
};

int main(int argc, char *argv[])
{
    networkError = enterPrivateNetwork();
    QApplication app(argc, argv);
    tst_SendEndToEnd test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_send_e2e.moc"
