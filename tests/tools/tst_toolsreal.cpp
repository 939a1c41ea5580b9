#include "Fakes.h"
#include "GuardDialog.h"
#include "LinuxFacts.h"
#include "ShellInterpreter.h"
#include "ToolWindows.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// The tool windows over the real runner, /bin/sh and the console programs of compat/. All
// traffic stays on loopback and every command is numeric, so no name is ever looked up.
class tst_ToolsReal : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void ping();
    void trace();
    void netstatListsOurConnection();
    void directoryChangeDoesNotCarryOver();
    void interactiveLineEndsAtOnce();
    void stopEndsAContinuousPing();

private:
    // Opens a window over the real runner, types input, ticks a box, presses a button (or
    // Enter) and returns the output box's text.
    QString run(const QString &window, const QString &input, const char *button, RunGuard &guard,
                const char *tick = nullptr);

    QTemporaryDir m_temp;
    std::unique_ptr<FakeHost> m_fake;
    std::unique_ptr<LinuxFacts> m_facts;
    QuietGuard m_quiet;
    std::unique_ptr<ShellInterpreter> m_interpreter;
    std::unique_ptr<Runner> m_runner;
    std::unique_ptr<QWidget> m_window;
};

void tst_ToolsReal::initTestCase()
{
    for (const char *folder : {"tmp", "start", "data"})
        QVERIFY(QDir(m_temp.path()).mkpath(QLatin1String(folder)));
    QVERIFY(QDir::setCurrent(m_temp.filePath(QStringLiteral("start")))); // where every line starts
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TEMP"), m_temp.filePath(QStringLiteral("tmp")));
    m_facts = std::make_unique<LinuxFacts>(environment);
    m_fake = std::make_unique<FakeHost>(m_temp.filePath(QStringLiteral("data")));
    for (const char *program : {"ping", "tracert", "netstat", "cmd"})
        QVERIFY2(QFileInfo(QStringLiteral(PARLO_TEST_COMPAT_DIR "/") + QLatin1String(program)).isExecutable(), program);
}

void tst_ToolsReal::cleanup()
{
    QVERIFY(QDir(m_temp.filePath(QStringLiteral("tmp"))).isEmpty());
    QVERIFY(m_fake->messages.boxes.isEmpty());
}

QString tst_ToolsReal::run(const QString &window, const QString &input, const char *button, RunGuard &guard,
                           const char *tick)
{
    m_window.reset();
    m_interpreter = std::make_unique<ShellInterpreter>(
        HostConfig{QStringLiteral(PARLO_TEST_COMPAT_DIR), m_temp.filePath(QStringLiteral("data"))}, *m_facts, guard);
    m_runner = std::make_unique<Runner>(*m_interpreter);
    m_window.reset(
        toolWindowMakers().value(window)(Host{*m_runner, m_fake->launcher, m_fake->messages, *m_facts, m_fake->paths}));
    m_window->show();
    auto *box = m_window->findChild<QLineEdit *>(QStringLiteral("Text2"));
    if (tick)
        m_window->findChild<QCheckBox *>(QLatin1String(tick))->setChecked(true);
    if (box)
        box->setText(input);
    if (button)
        m_window->findChild<QPushButton *>(QLatin1String(button))->click();
    else
        QTest::keyClick(box, Qt::Key_Return);
    QWidget *output = m_window->findChild<QWidget *>(tick ? "RichTextBox1" : "Text1");
    return output->property("plainText").toString();
}

void tst_ToolsReal::ping()
{
    QCOMPARE(run(QStringLiteral("ping"), QStringLiteral("127.0.0.1"), "Command1", m_quiet).count(" from 127.0.0.1"), 4);
}

void tst_ToolsReal::trace()
{
    const QString output = run(QStringLiteral("tracert"), QStringLiteral("127.0.0.1"), "Command1", m_quiet);
    QVERIFY2(output.contains(QStringLiteral("\n 1  127.0.0.1 ")), qPrintable(output));
    QCOMPARE(m_window->findChild<QLabel *>(QStringLiteral("Label1"))->text(), QStringLiteral("Done"));
}

void tst_ToolsReal::netstatListsOurConnection()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, server.serverPort());
    QVERIFY(client.waitForConnected(5000));
    const QString output = run(QStringLiteral("fNetstat"), {}, "Command1", m_quiet, "Check3");
    QVERIFY2(output.contains(QStringLiteral("127.0.0.1:%1 ").arg(server.serverPort())), qPrintable(output));
}

void tst_ToolsReal::directoryChangeDoesNotCarryOver()
{
    QCOMPARE(run(QStringLiteral("vdos"), QStringLiteral("cd /; pwd"), nullptr, m_quiet), QStringLiteral("/\n"));
    const QString second = run(QStringLiteral("vdos"), QStringLiteral("pwd"), nullptr, m_quiet);
    QCOMPARE(QDir(second.trimmed()).canonicalPath(), QDir::current().canonicalPath());
}

void tst_ToolsReal::interactiveLineEndsAtOnce()
{
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(run(QStringLiteral("vdos"), QStringLiteral("cat"), nullptr, m_quiet), QString());
    QVERIFY(clock.elapsed() < 5000);
}

void tst_ToolsReal::stopEndsAContinuousPing()
{
    // Presses Stop in the "Running" dialog once ping has run a while; looks a bounded number of times.
    int looks = 0;
    QTimer presser;
    connect(&presser, &QTimer::timeout, this, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (++looks > 1500 || (looks > 75 && modal && modal->objectName() == u"RunningDialog" &&
                               QMetaObject::invokeMethod(modal->findChild<QPushButton *>("Stop"), "click")))
            presser.stop();
    });
    presser.start(20);
    GuardDialog dialog;
    const QString output = run(QStringLiteral("ping"), QStringLiteral("-t 127.0.0.1"), "Command1", dialog);
    QVERIFY(looks < 1500);
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY2(output.contains(QStringLiteral(" from 127.0.0.1")), qPrintable(output)); // printed before Stop
    m_window.reset();                                                                 // before the guard it runs with
}

QTEST_MAIN(tst_ToolsReal)
#include "tst_toolsreal.moc"
