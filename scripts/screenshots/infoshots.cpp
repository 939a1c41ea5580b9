// Saves pictures of the Windows information window and the About box as they open on this
// machine, for the documentation:
//   QT_QPA_PLATFORM=offscreen parlo_infoshots OUTPUT_FOLDER

#include "about/frmAbout.h"
#include "main/parlo.h"
#include "platform/RealHost.h"
#include "wininfo/wininfo.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Parlo"));
    if (argc != 2) {
        qWarning("usage: parlo_infoshots OUTPUT_FOLDER");
        return 2;
    }
    const QDir output(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir data;
    RealHost host(HostConfig{QString(), data.path()});
    WindowMakers makers = wininfoWindowMakers();
    makers.insert(aboutWindowMakers());
    parlo main(host.host(), makers);
    main.show();

    int failures = 0;
    for (const auto &[item, window, file] :
         {std::tuple{"mwininfo", "wininfo", "wininfo.png"}, std::tuple{"mabout", "frmAbout", "about.png"}}) {
        main.findChild<QAction *>(QLatin1String(item))->trigger();
        QWidget *shown = main.instance(QLatin1String(window));
        QApplication::processEvents();
        const QString path = output.filePath(QLatin1String(file));
        if (!shown || !shown->grab().save(path)) {
            qWarning("cannot save %s", qPrintable(path));
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
