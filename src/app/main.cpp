#include "BrowserMakers.h"
#include "HostConfig.h"
#include "MessagePopups.h"
#include "QtSettings.h"
#include "RealHost.h"
#include "ToolWindows.h"
#include "WebEngineSetup.h"
#include "WhoisWindows.h"
#include "frmAbout.h"
#include "parlo.h"
#include "wininfo.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

int main(int argc, char *argv[])
{
    WebEngineSetup::prepareProcess();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Parlo"));
    QApplication::setApplicationVersion(QStringLiteral("4.0.0"));

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
    makers.insert(whoisWindowMakers());
    makers.insert(wininfoWindowMakers());
    makers.insert(aboutWindowMakers());
    makers.insert(browserWindowMakers(settings));
    parlo window(host.host(), makers);
    QObject::connect(&window, &parlo::exitRequested, &app, &QApplication::quit);
    window.show();
    MessagePopups popups(MessagePopups::defaultFolder(), [&window](const QString &sender) { window.replyTo(sender); });
    if (!options.isSet(screenshot))
        popups.start();
    if (options.isSet(screenshot)) {
        QTimer::singleShot(500, &window, [&window, file = options.value(screenshot)] {
            QApplication::exit(window.grab().save(file) ? 0 : 1);
        });
    }
    return app.exec();
}
