#pragma once

#include <QProxyStyle>

// The application's style, but the icons of the tool bar and menu bar extension buttons are read
// only when one is first drawn. The base style reads them as image files, and asking Qt what
// kind of image a file holds loads every image format plug-in: a menu bar does it as it is made,
// while its extension button shows only when the bar is too narrow for its menus.
class DeferredIconStyle final : public QProxyStyle
{
    Q_OBJECT
public:
    // The base style is the one QStyleFactory makes for key.
    explicit DeferredIconStyle(const QString &key);

    QIcon standardIcon(StandardPixmap icon, const QStyleOption *option = nullptr,
                       const QWidget *widget = nullptr) const override;
};
