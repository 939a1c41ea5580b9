#include "Notepad.h"

#include "platform/ChildContract.h"
#include "platform/FixedPaths.h"
#include "platform/LocaleText.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // Before the application object, which needs a display: the help is printed without one.
    if (argc == 2 && isHelpRequest(QString::fromLocal8Bit(argv[1]))) {
        LocaleText::print(notepadUsage());
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Notepad"));

    const FixedPaths paths(ChildContract::dataDirectory());
    Notepad notepad(notepadPath(QApplication::arguments().mid(1), paths));
    notepad.showWithStyle(ChildContract::windowStyle(1));
    return app.exec();
}
