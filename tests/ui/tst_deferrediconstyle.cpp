// The style that reads the extension buttons' icons only when they are drawn.
#include "ui/DeferredIconStyle.h"

#include <QApplication>
#include <QFile>
#include <QMenuBar>
#include <QStyleFactory>
#include <QTest>
#include <QToolButton>

namespace {

bool imagePluginLoaded()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("/imageformats/");
}

QImage picture(const QIcon &icon)
{
    return icon.pixmap(QSize(16, 16)).toImage();
}

} // namespace

class tst_DeferredIconStyle : public QObject
{
    Q_OBJECT
private slots:
    void menuBarWithoutImagePlugins();
    void iconsAsTheBaseStyleDrawsThem_data();
    void iconsAsTheBaseStyleDrawsThem();
};

void tst_DeferredIconStyle::menuBarWithoutImagePlugins()
{
    QApplication::setStyle(new DeferredIconStyle(QStringLiteral("Fusion")));
    QVERIFY(!imagePluginLoaded());
    QMenuBar bar;
    bar.addMenu(QStringLiteral("&File"));
    QVERIFY(!imagePluginLoaded());
    auto *extension = bar.findChild<QToolButton *>(QStringLiteral("qt_menubar_ext_button"));
    QVERIFY(extension);
    QVERIFY(!extension->icon().isNull());
}

void tst_DeferredIconStyle::iconsAsTheBaseStyleDrawsThem_data()
{
    QTest::addColumn<QStyle::StandardPixmap>("icon");
    QTest::addColumn<bool>("widgetGoesFirst");
    QTest::newRow("horizontal extension") << QStyle::SP_ToolBarHorizontalExtensionButton << false;
    QTest::newRow("vertical extension") << QStyle::SP_ToolBarVerticalExtensionButton << false;
    QTest::newRow("its widget gone") << QStyle::SP_ToolBarHorizontalExtensionButton << true;
    QTest::newRow("any other icon") << QStyle::SP_DialogOkButton << false;
}

void tst_DeferredIconStyle::iconsAsTheBaseStyleDrawsThem()
{
    QFETCH(QStyle::StandardPixmap, icon);
    QFETCH(bool, widgetGoesFirst);
    DeferredIconStyle style(QStringLiteral("Fusion"));
    const std::unique_ptr<QStyle> base(QStyleFactory::create(QStringLiteral("Fusion")));
    auto widget = std::make_unique<QWidget>();
    const QIcon deferred = style.standardIcon(icon, nullptr, widget.get());
    const QIcon expected = base->standardIcon(icon, nullptr, widget.get());
    if (widgetGoesFirst)
        widget.reset();
    QVERIFY(!picture(expected).isNull());
    QCOMPARE(picture(deferred), picture(expected));
    QCOMPARE(deferred.availableSizes(), expected.availableSizes());
}

QTEST_MAIN(tst_DeferredIconStyle)
#include "tst_deferrediconstyle.moc"
