#include "Notepad.h"

#include "FixedPaths.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Notepad"));

    const QString data = qEnvironmentVariable("PARLO_DATA_DIR");
    const FixedPaths paths(data.isEmpty() ? FixedPaths::defaultDataDirectory() : data);
    Notepad notepad(notepadPath(QApplication::arguments().mid(1), paths));

    bool known = false;
    const int style = qEnvironmentVariableIntValue("PARLO_WINDOW_STYLE", &known);
    notepad.showWithStyle(known ? style : 1);
    return app.exec();
}
