#include "Notepad.h"

#include "platform/ChildContract.h"
#include "platform/FixedPaths.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Notepad"));

    const FixedPaths paths(ChildContract::dataDirectory());
    Notepad notepad(notepadPath(QApplication::arguments().mid(1), paths));
    notepad.showWithStyle(ChildContract::windowStyle(1));
    return app.exec();
}
