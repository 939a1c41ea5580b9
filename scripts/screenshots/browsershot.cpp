// Saves a picture of the browser window, title bar included, showing a page from a local server:
//   parlo_browsershot FILE
// Runs under a virtual X server with a window manager (scripts/screenshot-browser.sh).

#include "ScriptedServer.h"
#include "browser/WebBrowser.h"
#include "browser/frmBrowser.h"
#include "platform/Settings.h"
#include "platform/WebEngineSetup.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QScreen>
#include <QTest>

namespace {

class NoSettings final : public Settings
{
public:
    QString text(const QString &, const QString &fallback) const override { return fallback; }
};

const char welcome[] = R"(<html><head><title>Parlo on the local network</title>
<style>body { font-family: sans-serif; margin: 24px; } h1 { color: #1f6fb2; }</style></head>
<body><h1>Parlo</h1><p>Short pop-up messages to the people and computers of your network,
an alias book and four distribution lists.</p>
<ul><li>Ping, trace route, name lookup</li><li>IP configuration, netstat, the ARP table</li>
<li>A one-line command console</li><li>This small web browser</li></ul></body></html>)";

} // namespace

int main(int argc, char *argv[])
{
    WebEngineSetup::prepareProcess();
    QApplication app(argc, argv);
    if (argc != 2) {
        qWarning("usage: parlo_browsershot FILE");
        return 2;
    }
    ScriptedServer server;
    server.answer = {httpReply(200, welcome, -1, "text/html; charset=utf-8")};
    const NoSettings settings;
    frmBrowser window(settings, QString());
    window.show();
    auto *address = window.findChild<QComboBox *>(QStringLiteral("cboAddress"));
    address->lineEdit()->clear();
    QTest::keyClicks(address, server.url(QStringLiteral("/")));
    QTest::keyClick(address, Qt::Key_Return);
    const bool loaded = QTest::qWaitFor([&window] { return window.windowTitle().startsWith(u"Parlo on"); }, 20000);
    // The window manager has framed the window once its frame is larger than the window.
    const bool framed = QTest::qWaitFor([&window] { return window.frameGeometry().size() != window.size(); }, 5000);
    QTest::qWait(300); // the frame's repaint with the new caption
    const QPixmap picture =
        window.screen()->grabWindow(0, window.frameGeometry().x(), window.frameGeometry().y(),
                                    window.frameGeometry().width(), window.frameGeometry().height());
    if (!framed)
        qWarning("no window manager framed the window: the picture has no title bar");
    return loaded && picture.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
