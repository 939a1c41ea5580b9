#include "ApplicationIcon.h"

#include "Controls.h"
#include "OnScreen.h"

#include <QApplication>
#include <QEvent>
#include <QIconEngine>
#include <QPainter>
#include <QWidget>

#include <map>

namespace {

const QString drawing = QStringLiteral(":/ui/parlo.svg");

// Draws the SVG when a size of it is first asked for, and keeps what it drew.
class SvgIconEngine final : public QIconEngine
{
public:
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode, QIcon::State) override
    {
        painter->drawPixmap(rect, pixmap(rect.size(), QIcon::Normal, QIcon::Off));
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        QPixmap &drawn = m_drawn[{size.width(), size.height()}];
        if (drawn.isNull())
            drawn = renderSvg(drawing, size);
        return drawn;
    }
    QString key() const override { return QStringLiteral("SvgIconEngine"); }
    QIconEngine *clone() const override { return new SvgIconEngine(*this); }

private:
    std::map<std::pair<int, int>, QPixmap> m_drawn; // by width and height
};

// Waits for the first window to be shown.
class FirstWindow final : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType() && static_cast<QWidget *>(watched)->isWindow()) {
            whenOnScreen(static_cast<QWidget *>(watched), [] { QApplication::setWindowIcon(applicationIcon()); });
            deleteLater();
            qApp->removeEventFilter(this);
        }
        return false;
    }
};

} // namespace

QIcon applicationIcon()
{
    return QIcon(new SvgIconEngine);
}

void useApplicationIcon()
{
    QGuiApplication::setDesktopFileName(QStringLiteral("parlo"));
    qApp->installEventFilter(new FirstWindow(qApp));
}
