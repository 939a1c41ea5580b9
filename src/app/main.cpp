#include "HostConfig.h"
#include "RealHost.h"
#include "parlo.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Parlo"));
    QApplication::setApplicationVersion(QStringLiteral("4.0.0"));

    RealHost host(HostConfig::forApplication());
    parlo window(host.host());
    QObject::connect(&window, &parlo::exitRequested, &app, &QApplication::quit);
    window.show();
    return app.exec();
}
