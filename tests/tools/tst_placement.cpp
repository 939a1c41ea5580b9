// Every window is shown wholly inside a small screen's available area, wherever it was placed.
#include "Fakes.h"
#include "main/parlo.h"
#include "tools/ToolWindows.h"

#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Whether frame lies inside area along one axis, or starts at its edge when longer than it.
bool fits(int start, int length, int areaStart, int areaLength)
{
    return length > areaLength ? start == areaStart : start >= areaStart && start + length <= areaStart + areaLength;
}

} // namespace

class tst_Placement : public QObject
{
    Q_OBJECT
public:
    // A screen of 640x360, smaller than the taller tool windows.
    static void initMain()
    {
        static QTemporaryDir dir;
        QFile config(dir.filePath(QStringLiteral("screen.json")));
        if (!config.open(QIODevice::WriteOnly))
            qFatal("cannot write the screen's configuration");
        config.write(R"({"screens": [{"name": "small", "x": 0, "y": 0, "width": 640, "height": 360,
                         "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
    }

private Q_SLOTS:
    void insideTheScreen()
    {
        QTemporaryDir data;
        FakeHost fake(data.path());
        WindowMakers makers = toolWindowMakers();
        makers.insert(QStringLiteral("parlo"), [](Host host) -> QWidget * { return new parlo(host, {}); });
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(area.size(), QSize(640, 360));
        const QPoint placements[] = {{600, 330}, {-40, -40}, {10, 10}};
        for (auto maker = makers.cbegin(); maker != makers.cend(); ++maker) {
            for (const QPoint &placement : placements) {
                const QByteArray row = maker.key().toUtf8() + " at " + QByteArray::number(placement.x());
                std::unique_ptr<QWidget> window(maker.value()(fake.host()));
                window->move(placement);
                window->show();
                QVERIFY2(QTest::qWaitForWindowExposed(window.get()), row);
                QTest::qWait(0);
                const QRect frame = window->frameGeometry();
                QVERIFY2(fits(frame.x(), frame.width(), area.x(), area.width()), row);
                QVERIFY2(fits(frame.y(), frame.height(), area.y(), area.height()), row);
                if (area.contains(QRect(placement, frame.size())))
                    QVERIFY2(frame.topLeft() == placement, row); // it fitted: left where it was
            }
        }
    }
};

QTEST_MAIN(tst_Placement)
#include "tst_placement.moc"
