#include "about/frmAbout.h"
#include "browser/BrowserMakers.h"
#include "main/parlo.h"
#include "platform/HostConfig.h"
#include "platform/QtSettings.h"
#include "platform/RealHost.h"
#include "platform/WebEngineSetup.h"
#include "receive/DesktopNotification.h"
#include "receive/MessagePopups.h"
#include "tools/ToolWindows.h"
#include "ui/DeferredIconStyle.h"
#include "ui/OnScreen.h"
#include "whois/WhoisMakers.h"
#include "wininfo/wininfo.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

// Whether the command line asks for the version, which needs no window system.
bool asksForVersion(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--version") == 0 || qstrcmp(argv[i], "-v") == 0)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    if (asksForVersion(argc, argv)) {
        std::fputs("parlo " PARLO_VERSION "\n", stdout);
        return 0;
    }
    WebEngineSetup::prepareProcess();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Parlo"));
    QApplication::setApplicationVersion(QStringLiteral(PARLO_VERSION));
    QApplication::setStyle(new DeferredIconStyle(QApplication::style()->name()));

    QCommandLineParser options;
    options.addHelpOption();
    options.addVersionOption();
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Save a picture of the main window to FILE and quit."),
                                        QStringLiteral("FILE"));
    options.addOption(screenshot);
    options.process(app);

    RealHost host(HostConfig::forApplication());
    const QtSettings settings;
    WindowMakers makers = toolWindowMakers();
    makers.insert(whoisModuleMakers());
    makers.insert(wininfoWindowMakers());
    makers.insert(aboutWindowMakers());
    makers.insert(browserWindowMakers(settings));
    parlo window(host.host(), makers);
    QObject::connect(&window, &parlo::exitRequested, &app, &QApplication::quit);
    QObject::connect(&window, &parlo::listReported, &window,
                     [](const QString &report) { notifyDesktop(applicationTitle(), report); });
    window.show();
    // Receiving starts once the window is on the screen: its folder watcher and the record of seen
    // messages (SQLite) are no part of the start.
    std::unique_ptr<MessagePopups> popups;
    if (!options.isSet(screenshot)) {
        whenOnScreen(&window, [&popups, &window, &host] {
            host.tidyUp();
            popups = std::make_unique<MessagePopups>(
                host.host().facts.receivePlaces(), [&window](const QString &sender) { window.replyTo(sender); },
                host.host().history);
            popups->start();
        });
    }
    if (options.isSet(screenshot)) {
        QTimer::singleShot(500, &window, [&window, file = options.value(screenshot)] {
            QApplication::exit(window.grab().save(file) ? 0 : 1);
        });
    }
    return app.exec();
}
