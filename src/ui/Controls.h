#pragma once

#include <QLabel>
#include <QRect>

class QWidget;

// Designs place controls in twips, 15 to a pixel.
constexpr int twips(int value)
{
    return value / 15;
}
QRect twipsRect(int left, int top, int width, int height);

// How heavy a font's strokes are.
enum class Weight
{
    Normal,
    Bold,
};

// The window font: Verdana 8.25 pt where installed, otherwise the application font at that size.
QFont verdana(Weight weight = Weight::Normal);
// MS Sans Serif where installed, otherwise the application font.
QFont msSansSerif(qreal points, Weight weight = Weight::Normal);
// The system's fixed-pitch font at points, for output whose columns must line up.
QFont fixedPitch(qreal points);

// Window colours taken from the desktop's palette.
QColor scrollBarColour();
QColor toolTipBackgroundColour();
void setBackground(QWidget *widget, const QColor &colour);

// A label whose caption may hold a carriage return, which starts a new line on screen.
class CaptionLabel final : public QLabel
{
    Q_OBJECT
public:
    explicit CaptionLabel(QWidget *parent = nullptr);

    void setCaption(const QString &caption);
    const QString &caption() const { return m_caption; }

private:
    QString m_caption;
};

// A picture that reacts to a click.
class PictureBox final : public QLabel
{
    Q_OBJECT
public:
    // Shows the SVG image rendered at the given size, centred in the box. It is rendered when
    // first painted, which is no part of opening the window.
    PictureBox(const QString &svgResource, QSize imageSize, QWidget *parent = nullptr);

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_svgResource;
    QSize m_imageSize;
    bool m_pressed = false;
};

// An SVG resource rendered to a pixmap of the given size.
QPixmap renderSvg(const QString &svgResource, QSize size);
