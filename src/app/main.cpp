#include "BackgroundParlo.h"
#include "about/frmAbout.h"
#include "browser/BrowserMakers.h"
#include "history/HistoryWindow.h"
#include "main/parlo.h"
#include "platform/FontPreload.h"
#include "platform/HostConfig.h"
#include "platform/InstanceChannel.h"
#include "platform/QtSettings.h"
#include "platform/RealHost.h"
#include "platform/WebEngineSetup.h"
#include "receive/DesktopNotification.h"
#include "receive/MessagePopups.h"
#include "tools/ToolWindows.h"
#include "ui/ApplicationIcon.h"
#include "ui/DeferredIconStyle.h"
#include "ui/OnScreen.h"
#include "whois/WhoisMakers.h"
#include "wininfo/wininfo.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QPlainTextEdit>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

// Whether the command line holds one of the options, which are read before anything else.
bool holds(int argc, char *argv[], std::initializer_list<const char *> options)
{
    for (int i = 1; i < argc; ++i) {
        for (const char *option : options) {
            if (qstrcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

// The command line's options, the same whether the help alone is asked for or a window.
void describeOptions(QCommandLineParser &options)
{
    options.addHelpOption();
    options.addVersionOption();
    options.addOption({QStringLiteral("screenshot"),
                       QStringLiteral("Save a picture of the main window to FILE and quit."), QStringLiteral("FILE")});
    options.addOption({QStringLiteral("background"),
                       QStringLiteral("Receive without a window, with a status icon; a parlo started meanwhile opens "
                                      "this one's window.")});
    options.addOption({QStringLiteral("history"), QStringLiteral("Show the messages sent and received.")});
}

void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("Parlo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PARLO_VERSION));
}

WindowMakers allWindowMakers(const QtSettings &settings)
{
    WindowMakers makers = toolWindowMakers();
    makers.insert(whoisModuleMakers());
    makers.insert(wininfoWindowMakers());
    makers.insert(aboutWindowMakers());
    makers.insert(browserWindowMakers(settings));
    return makers;
}

// The main window as the design has it: the program ends with it.
int runWindow(QApplication &app, RealHost &host, const WindowMakers &makers, const QString &screenshot)
{
    parlo window(host.host(), makers);
    QObject::connect(&window, &parlo::exitRequested, &app, &QApplication::quit);
    QObject::connect(&window, &parlo::listReported, &window,
                     [](const QString &report) { notifyDesktop(applicationTitle(), report); });
    window.show();
    // Receiving starts once the window is on the screen: its folder watcher is no part of the
    // start, and the record of seen messages (SQLite, in the store module) is read at the first message.
    std::unique_ptr<MessagePopups> popups;
    if (screenshot.isEmpty()) {
        whenOnScreen(&window, [&popups, &window, &host] {
            host.tidyUp();
            const ReceivePlaces places = host.host().facts.receivePlaces();
            popups = std::make_unique<MessagePopups>(
                places, host.receiptBook(places.receipts), [&window](const QString &sender) { window.replyTo(sender); },
                host.host().history);
            popups->start();
        });
    } else {
        QTimer::singleShot(500, &window,
                           [&window, screenshot] { QApplication::exit(window.grab().save(screenshot) ? 0 : 1); });
    }
    return app.exec();
}

// The History window alone; Reply and Send again open the main window beside it.
int runHistory(QApplication &app, RealHost &host, const WindowMakers &makers)
{
    std::unique_ptr<parlo> window;
    const auto mainWindow = [&]() -> parlo & {
        if (!window) {
            window = std::make_unique<parlo>(host.host(), makers);
            QObject::connect(window.get(), &parlo::exitRequested, &app, &QApplication::quit);
        }
        return *window;
    };
    auto *history = new HistoryWindow(
        host.host().history, [&](const QString &name) { mainWindow().replyTo(name); },
        [&](const QString &recipient, const QString &text) {
            mainWindow().replyTo(recipient);
            mainWindow().findChild<QPlainTextEdit *>(QStringLiteral("txtmsg"))->setPlainText(text);
        });
    history->show();
    return app.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    if (holds(argc, argv, {"--version", "-v"})) {
        std::fputs("parlo " PARLO_VERSION "\n", stdout);
        return 0;
    }
    // The help needs no window system, so it is printed without one too (as over ssh).
    if (holds(argc, argv, {"--help", "-h", "-?", "--help-all"})) {
        QCoreApplication app(argc, argv);
        nameApplication();
        QCommandLineParser options;
        describeOptions(options);
        options.process(app); // prints the help, or what is wrong with the command line, and exits
        return 0;
    }
    // A background Parlo of this user, when one runs, shows the window asked for instead: for a
    // plain start, or one that asks for the history and nothing else.
    const bool background = holds(argc, argv, {"--background"});
    const bool history = holds(argc, argv, {"--history"});
    if (argc == 1 + int(history) &&
        askRunningInstance(HostConfig::instanceSocket(),
                           {history ? InstanceRequest::Kind::History : InstanceRequest::Kind::Open, {}}))
        return 0;

    FontPreload fonts;
    WebEngineSetup::prepareProcess();
    QApplication app(argc, argv);
    fonts.wait();
    nameApplication();
    QApplication::setStyle(new DeferredIconStyle(QApplication::style()->name()));
    useApplicationIcon();

    QCommandLineParser options;
    describeOptions(options);
    options.process(app);

    RealHost host(HostConfig::forApplication());
    const QtSettings settings;
    const WindowMakers makers = allWindowMakers(settings);
    if (background) {
        BackgroundParlo resident(host, makers);
        if (const QString error = resident.start(); !error.isEmpty()) {
            std::fprintf(stderr, "parlo: %s\n", qUtf8Printable(error));
            return 1;
        }
        if (history)
            resident.showHistory();
        return app.exec();
    }
    if (history)
        return runHistory(app, host, makers);
    return runWindow(app, host, makers, options.value(QStringLiteral("screenshot")));
}
