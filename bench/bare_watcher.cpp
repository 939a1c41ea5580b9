// The least Qt Widgets program that shows the messages landing in a folder: the baseline of the
// pop-up figure. It watches the folder named by its argument; on each change it lists the
// folder's *.msg files and shows the text of each new one in a label window of the pop-up's size.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QLabel>
#include <QSet>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false); // it waits for the next message
    const QDir folder(QApplication::arguments().value(1));
    QFileSystemWatcher watcher({folder.path()});
    QSet<QString> seen;
    const auto scan = [&] {
        for (const QString &name : folder.entryList({QStringLiteral("*.msg")}, QDir::Files, QDir::Name)) {
            if (seen.contains(name))
                continue;
            seen.insert(name);
            QFile file(folder.filePath(name));
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const QByteArray content = file.readAll();
            auto *window = new QLabel(QString::fromUtf8(content.mid(content.indexOf("\n\n") + 2)));
            window->setAttribute(Qt::WA_DeleteOnClose);
            window->setWindowTitle(QStringLiteral("Message"));
            window->resize(416, 248);
            window->show();
        }
    };
    QObject::connect(&watcher, &QFileSystemWatcher::directoryChanged, &app, scan);
    scan();
    return app.exec();
}
