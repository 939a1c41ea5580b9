// Renders an SVG file into a square PNG: render SVG SIZE PNG.
#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char *argv[])
{
    // The drawing has no text, so painting needs no window system.
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    bool sized = false;
    const int size = args.size() == 4 ? args.at(2).toInt(&sized) : 0;
    if (!sized || size <= 0) {
        std::fputs("usage: render SVG SIZE PNG\n", stderr);
        return 2;
    }
    QSvgRenderer svg(args.at(1));
    if (!svg.isValid()) {
        std::fprintf(stderr, "render: cannot read %s\n", qPrintable(args.at(1)));
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    svg.render(&painter);
    painter.end();
    if (!image.save(args.at(3), "PNG")) {
        std::fprintf(stderr, "render: cannot write %s\n", qPrintable(args.at(3)));
        return 1;
    }
    return 0;
}
