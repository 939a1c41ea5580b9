// Saves a picture of each command tool window after a real run, for the documentation:
//   parlo_toolshots OUTPUT_FOLDER
// Everything runs against loopback; the name lookup asks a dnsmasq of its own when there is one.

#include "main/parlo.h"
#include "platform/RealHost.h"
#include "tools/ToolWindows.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

void setText(QWidget *window, const char *box, const QString &text)
{
    window->findChild<QLineEdit *>(QLatin1String(box))->setText(text);
}

void click(QWidget *window, const char *button)
{
    window->findChild<QAbstractButton *>(QLatin1String(button))->click();
}

struct Shot
{
    const char *item;
    const char *window;
    std::function<void(QWidget *)> run;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Parlo"));
    if (argc != 2) {
        qWarning("usage: parlo_toolshots OUTPUT_FOLDER");
        return 2;
    }
    const QDir output(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir data;
    const QString compat = qEnvironmentVariable("PARLO_COMPAT_DIR", QStringLiteral(PARLO_BUILD_COMPAT_DIR));
    RealHost host(HostConfig{compat, data.path()});
    parlo main(host.host(), toolWindowMakers());

    // One connection of our own on loopback, so that the numeric netstat has something to list.
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, server.serverPort());
    client.waitForConnected(2000);

    QProcess dns;
    const QString dnsPort = QStringLiteral("53535");
    dns.start(QStringLiteral("/usr/sbin/dnsmasq"),
              {QStringLiteral("--keep-in-foreground"), QStringLiteral("--conf-file=/dev/null"),
               QStringLiteral("--no-resolv"), QStringLiteral("--no-hosts"), QStringLiteral("--pid-file="),
               QStringLiteral("--user=root"), QStringLiteral("--bind-interfaces"),
               QStringLiteral("--listen-address=127.0.0.1"), QStringLiteral("--port=") + dnsPort,
               QStringLiteral("--address=/parlo.test/10.9.8.7")});
    dns.waitForStarted(2000);

    const QList<Shot> shots{
        {"mPing", "ping",
         [](QWidget *w) {
             setText(w, "Text2", QStringLiteral("127.0.0.1"));
             click(w, "Command1");
         }},
        {"mtracert", "tracert",
         [](QWidget *w) {
             setText(w, "Text2", QStringLiteral("127.0.0.1"));
             click(w, "Command1");
         }},
        {"mNsLookup", "nslookup",
         [dnsPort](QWidget *w) {
             setText(w, "Text2", QStringLiteral("-port=%1 parlo.test 127.0.0.1").arg(dnsPort));
             click(w, "Command1");
         }},
        {"mIpconfig", "ipcfig", [](QWidget *w) { click(w, "Command1"); }},
        {"mvdos", "vdos",
         [](QWidget *w) {
             setText(w, "Text2", QStringLiteral("echo Hello from the console; cd /usr; ls"));
             QTest::keyClick(w->findChild<QLineEdit *>(QStringLiteral("Text2")), Qt::Key_Return);
             setText(w, "Text2", QStringLiteral("dir"));
         }},
        {"mNetstat", "fNetstat",
         [](QWidget *w) {
             click(w, "Check3");
             click(w, "Command1");
         }},
        {"mArp", "Arp",
         [](QWidget *w) {
             click(w, "Check1");
             click(w, "cArp");
         }},
    };

    int failures = 0;
    for (const Shot &shot : shots) {
        main.findChild<QAction *>(QLatin1String(shot.item))->trigger();
        QWidget *window = main.instance(QLatin1String(shot.window));
        shot.run(window);
        QApplication::processEvents();
        const QString file = output.filePath(QLatin1String(shot.window) + QStringLiteral(".png"));
        if (!window->grab().save(file)) {
            qWarning("cannot save %s", qPrintable(file));
            ++failures;
        }
        window->close();
    }
    dns.terminate();
    dns.waitForFinished(2000);
    return failures == 0 ? 0 : 1;
}
