#include "platform/FontPreload.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QTest>

namespace {
FontPreload *preload = nullptr; // started before the application object, as the program starts it
}

class tst_fontpreload : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Qt reads the configuration itself while the preload may still be reading it: both readings
    // must come out whole, and the fonts Qt finds are the system's.
    void readAlongsideQt()
    {
        const QStringList families = QFontDatabase::families();
        preload->wait();
        QVERIFY(families.contains(QStringLiteral("DejaVu Sans")));
        QCOMPARE(QFontInfo(QFont(QStringLiteral("DejaVu Sans"))).family(), QStringLiteral("DejaVu Sans"));
        FontPreload again; // read already: the second one only finds it so
        again.wait();
        QCOMPARE(QFontDatabase::families(), families);
    }
};

int main(int argc, char *argv[])
{
    FontPreload early;
    preload = &early;
    QGuiApplication app(argc, argv);
    tst_fontpreload test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_fontpreload.moc"
