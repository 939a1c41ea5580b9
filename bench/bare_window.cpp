// The least Qt Widgets program with a window: the baseline of the start-up figure.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setCentralWidget(new QLabel(QStringLiteral("Parlo"), &window));
    window.show();
    return app.exec();
}
