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
#include <QRegularExpression>
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
    void run_data();
    void run();

private:
    QTemporaryDir m_temp;
    std::unique_ptr<FakeHost> m_fake;
    std::unique_ptr<LinuxFacts> m_facts;
    QTcpServer m_server; // with one connection, for netstat to list
    QTcpSocket m_client;
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
    QVERIFY(m_server.listen(QHostAddress::LocalHost));
    m_client.connectToHost(QHostAddress::LocalHost, m_server.serverPort());
    QVERIFY(m_client.waitForConnected(5000));
}

void tst_ToolsReal::cleanup()
{
    QVERIFY(QDir(m_temp.filePath(QStringLiteral("tmp"))).isEmpty());
    QVERIFY(m_fake->messages.boxes.isEmpty());
}

void tst_ToolsReal::run_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("input"); // typed, then the first button, or Enter in vdos
    QTest::addColumn<QString>("tick");
    QTest::addColumn<bool>("stop");       // pressed in the "Running" dialog after a while
    QTest::addColumn<QString>("pattern"); // PORT: our server's, START: the folder lines start in
    QTest::addColumn<int>("matches");     // -1: at least one
    QTest::addColumn<int>("withinMs");    // 0: no limit

    // clang-format off
    QTest::newRow("ping, four replies") << "ping" << "127.0.0.1" << "" << false << " from 127\\.0\\.0\\.1" << 4 << 0;
    QTest::newRow("trace to loopback") << "tracert" << "127.0.0.1" << "" << false << "\n 1  127\\.0\\.0\\.1 " << 1 << 0;
    QTest::newRow("netstat lists ours") << "fNetstat" << "" << "Check3" << false << "127\\.0\\.0\\.1:PORT " << -1 << 0;
    QTest::newRow("cd within a line") << "vdos" << "cd /; pwd" << "" << false << "\\A/\n\\z" << 1 << 0;
    QTest::newRow("next line starts afresh") << "vdos" << "pwd" << "" << false << "\\ASTART\n\\z" << 1 << 0;
    QTest::newRow("interactive line ends") << "vdos" << "cat" << "" << false << "\\A\\z" << 1 << 5000;
    QTest::newRow("Stop ends ping -t") << "ping" << "-t 127.0.0.1" << "" << true << " from 127\\.0\\.0\\.1" << -1 << 0;
    // clang-format on
}

void tst_ToolsReal::run()
{
    QFETCH(QString, window);
    QFETCH(QString, input);
    QFETCH(QString, tick);
    QFETCH(bool, stop);
    // Looks for the dialog a bounded number of times.
    int looks = 0;
    QTimer presser;
    connect(&presser, &QTimer::timeout, this, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (++looks > 1500 || (looks > 75 && modal && modal->objectName() == u"RunningDialog" &&
                               QMetaObject::invokeMethod(modal->findChild<QPushButton *>("Stop"), "click")))
            presser.stop();
    });
    if (stop)
        presser.start(20);
    GuardDialog dialog;
    QuietGuard quiet;
    ShellInterpreter interpreter(
        HostConfig{QStringLiteral(PARLO_TEST_COMPAT_DIR), m_temp.filePath(QStringLiteral("data"))}, *m_facts,
        stop ? static_cast<RunGuard &>(dialog) : quiet);
    Runner runner(interpreter);
    const std::unique_ptr<QWidget> w(
        toolWindowMakers().value(window)(Host{runner, m_fake->launcher, m_fake->messages, *m_facts, m_fake->paths}));
    w->show();
    auto *box = w->findChild<QLineEdit *>(QStringLiteral("Text2"));
    if (!tick.isEmpty())
        w->findChild<QCheckBox *>(tick)->setChecked(true);
    if (box)
        box->setText(input);
    QElapsedTimer clock;
    clock.start();
    if (window == u"vdos")
        QTest::keyClick(box, Qt::Key_Return);
    else
        w->findChild<QPushButton *>(QStringLiteral("Command1"))->click();

    QFETCH(int, withinMs);
    QVERIFY(withinMs == 0 || clock.elapsed() < withinMs);
    QVERIFY(looks < 1500);
    QVERIFY(!QApplication::activeModalWidget());
    QFETCH(QString, pattern);
    QFETCH(int, matches);
    const QString output =
        w->findChild<QWidget *>(tick.isEmpty() ? "Text1" : "RichTextBox1")->property("plainText").toString();
    pattern.replace(QStringLiteral("PORT"), QString::number(m_server.serverPort()))
        .replace(QStringLiteral("START"), QRegularExpression::escape(QDir::currentPath()));
    const qsizetype found = output.count(QRegularExpression(pattern));
    QVERIFY2(matches < 0 ? found > 0 : found == matches, qPrintable(output));
    if (auto *status = w->findChild<QLabel *>(QStringLiteral("Label1"))) // the trace window's
        QCOMPARE(status->text(), QStringLiteral("Done"));
}

QTEST_MAIN(tst_ToolsReal)
#include "tst_toolsreal.moc"
