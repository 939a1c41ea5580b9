#include "Controls.h"

#include <QFontDatabase>
#include <QHash>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QWidget>

QRect twipsRect(int left, int top, int width, int height)
{
    return {twips(left), twips(top), twips(width), twips(height)};
}

namespace {

// Whether a family is installed. Asked for one it does not have, fontconfig works out a list of
// substitutes, which costs more than loading the font; the application's font stands in instead.
bool installed(const QString &family)
{
    static QHash<QString, bool> known; // windows are made on the GUI thread only
    auto it = known.constFind(family);
    if (it == known.cend())
        it = known.insert(family, QFontDatabase::families().contains(family, Qt::CaseInsensitive));
    return *it;
}

QFont windowsFont(const QString &family, qreal points, Weight weight)
{
    QFont font = installed(family) ? QFont(family) : QFont();
    font.setPointSizeF(points);
    font.setBold(weight == Weight::Bold);
    return font;
}

} // namespace

QFont verdana(Weight weight)
{
    return windowsFont(QStringLiteral("Verdana"), 8.25, weight);
}

QFont msSansSerif(qreal points, Weight weight)
{
    return windowsFont(QStringLiteral("MS Sans Serif"), points, weight);
}

QFont fixedPitch(qreal points)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSizeF(points);
    return font;
}

QColor scrollBarColour()
{
    // Scroll bars are drawn in the palette's button colour.
    return QPalette().color(QPalette::Button);
}

QColor toolTipBackgroundColour()
{
    return QPalette().color(QPalette::ToolTipBase);
}

void setBackground(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(widget->backgroundRole(), colour);
    palette.setColor(QPalette::Base, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

CaptionLabel::CaptionLabel(QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void CaptionLabel::setCaption(const QString &caption)
{
    m_caption = caption;
    QString shown = caption;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(u'\r', u'\n');
    setText(shown);
}

// Drawn by Qt's SVG image plug-in, loaded the first time a picture is: linked into the program,
// Qt SVG would be relocated at every start, before any window shows.
QPixmap renderSvg(const QString &svgResource, QSize size)
{
    QImageReader reader(svgResource, "svg");
    reader.setScaledSize(size);
    QImage image = reader.read();
    if (image.isNull()) {
        image = QImage(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
    }
    return QPixmap::fromImage(std::move(image));
}

PictureBox::PictureBox(const QString &svgResource, QSize imageSize, QWidget *parent)
    : QLabel(parent), m_svgResource(svgResource), m_imageSize(imageSize)
{
    setAlignment(Qt::AlignCenter);
    setFocusPolicy(Qt::NoFocus);
}

void PictureBox::paintEvent(QPaintEvent *event)
{
    if (!m_svgResource.isEmpty()) {
        setPixmap(renderSvg(m_svgResource, m_imageSize));
        m_svgResource.clear();
    }
    QLabel::paintEvent(event);
}

void PictureBox::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click)
        Q_EMIT clicked();
}
