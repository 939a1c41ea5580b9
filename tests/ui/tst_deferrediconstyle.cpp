// The style that reads the extension buttons' icons only when they are drawn.
#include "ui/DeferredIconStyle.h"

#include <QApplication>
#include <QFile>
#include <QMenuBar>
#include <QStyleFactory>
#include <QTest>
#include <QToolButton>

static bool imagePluginLoaded()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("/imageformats/");
}

class tst_DeferredIconStyle : public QObject
{
    Q_OBJECT
private slots:
    void menuBarWithoutImagePlugins()
    {
        QApplication::setStyle(new DeferredIconStyle(QStringLiteral("Fusion")));
        QVERIFY(!imagePluginLoaded());
        QMenuBar bar;
        bar.addMenu(QStringLiteral("&File"));
        QVERIFY(!imagePluginLoaded());
        auto *extension = bar.findChild<QToolButton *>(QStringLiteral("qt_menubar_ext_button"));
        QVERIFY(extension && !extension->icon().isNull());
    }

    void iconsAsTheBaseStyleDrawsThem()
    {
        const struct
        {
            const char *name;
            QStyle::StandardPixmap icon;
            bool widgetGoesFirst;
        } rows[] = {{"horizontal extension", QStyle::SP_ToolBarHorizontalExtensionButton, false},
                    {"its widget gone", QStyle::SP_ToolBarHorizontalExtensionButton, true},
                    {"any other icon", QStyle::SP_DialogOkButton, false}};
        DeferredIconStyle style(QStringLiteral("Fusion"));
        const std::unique_ptr<QStyle> base(QStyleFactory::create(QStringLiteral("Fusion")));
        for (const auto &row : rows) {
            auto widget = std::make_unique<QWidget>();
            const QIcon deferred = style.standardIcon(row.icon, nullptr, widget.get());
            const QIcon expected = base->standardIcon(row.icon, nullptr, widget.get());
            if (row.widgetGoesFirst)
                widget.reset();
            const QImage picture = deferred.pixmap(QSize(16, 16)).toImage();
            QVERIFY2(!picture.isNull() && picture == expected.pixmap(QSize(16, 16)).toImage(), row.name);
            QVERIFY2(deferred.availableSizes() == expected.availableSizes(), row.name);
        }
    }
};

QTEST_MAIN(tst_DeferredIconStyle)
#include "tst_deferrediconstyle.moc"
