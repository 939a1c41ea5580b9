#include "core/BoundedOutput.h"

#include <QTemporaryFile>
#include <QTest>

namespace {

QByteArray lines(int count, int width, char fill = 'y')
{
    QByteArray text;
    for (int i = 0; i < count; ++i)
        text += QByteArray(width, fill) + '\n';
    return text;
}

QByteArray numbered(int from, int to)
{
    QByteArray text;
    for (int i = from; i < to; ++i)
        text += QByteArray::number(i) + '\n';
    return text;
}

QByteArray leftOut(qint64 bytes)
{
    return "[... " + QByteArray::number(bytes) + " bytes of output left out ...]\n";
}

} // namespace

class tst_BoundedOutput : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void kept_data();
    void kept();
};

void tst_BoundedOutput::kept_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QByteArray>("expected");

    constexpr int width = BoundedOutput::lineBytes;
    const QByteArray longLine = QByteArray(1 << 20, 'x') + "end\n";
    const qint64 headBytes = BoundedOutput::partBytes;
    // clang-format off
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("no final line end") << QByteArray("abc") << QByteArray("abc");
    QTest::newRow("at the bound, exact") << lines(BoundedOutput::partLines, 99) << lines(BoundedOutput::partLines, 99);
    QTest::newRow("parts that meet, exact") << lines(700, 999) << lines(700, 999);
    QTest::newRow("too many lines") << numbered(0, 12000)
        << numbered(0, 5000) + leftOut(numbered(5000, 7000).size()) + numbered(7000, 12000);
    QTest::newRow("a long line among short ones") << "a\n" + QByteArray(5000, 'y') + "\nb\n"
        << "a\n" + QByteArray(width, 'y') + " [...]\nb\n";
    QTest::newRow("one huge line") << longLine
        << QByteArray(width, 'x') + " [...]\n" + leftOut(longLine.size() - 1 - width - headBytes) + "[...] "
               + QByteArray(width - 3, 'x') + "end\n";
    // clang-format on
}

void tst_BoundedOutput::kept()
{
    QFETCH(QByteArray, output);
    QTemporaryFile file;
    QVERIFY(file.open());
    QCOMPARE(file.write(output), output.size());
    BoundedOutput kept;
    QVERIFY(kept.readHead(file));
    QVERIFY(kept.readTail(file));
    QTEST(kept.bytes(), "expected");
}

QTEST_GUILESS_MAIN(tst_BoundedOutput)
#include "tst_boundedoutput.moc"
