#include "MenuBarFit.h"

#include "DeferredIconStyle.h"

#include <QMenuBar>
#include <QProxyStyle>

namespace {

// Pixels on either side of a menu-bar item's caption, as narrow styles draw them.
constexpr int itemMargin = 4;

// The base style, with menu-bar items at most their caption's width and a narrow margin.
class NarrowMenuBarItems final : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;

    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &contents,
                           const QWidget *widget) const override
    {
        QSize size = QProxyStyle::sizeFromContents(type, option, contents, widget);
        if (type == CT_MenuBarItem)
            size.setWidth(qMin(size.width(), contents.width() + 2 * itemMargin));
        return size;
    }
};

// The name QStyleFactory knows a style by, below the proxies around it (which have none).
QString factoryKey(const QStyle *style)
{
    while (const auto *proxy = qobject_cast<const QProxyStyle *>(style))
        style = proxy->baseStyle();
    return style->name();
}

} // namespace

void fitMenuBar(QMenuBar *bar, int width)
{
    if (bar->sizeHint().width() <= width)
        return;
    // A style of its own, since a widget's style cannot be shared with a proxy; its extension
    // icons stay deferred as the program's are.
    auto *style = new NarrowMenuBarItems(new DeferredIconStyle(factoryKey(bar->style())));
    style->setParent(bar);
    bar->setStyle(style);
}
