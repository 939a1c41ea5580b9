#include "core/FieldReader.h"

#include <QTest>

class tst_FieldReader : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fields_data();
    void fields();
};

void tst_FieldReader::fields_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");

    // clang-format off
    QTest::newRow("empty file") << "" << QStringList{};
    QTest::newRow("no final line end") << "PC1\r\nPC2" << QStringList{"PC1", "PC2"};
    QTest::newRow("tab before") << "\tPC9\r\n" << QStringList{"PC9"};
    QTest::newRow("blanks after") << "PC9   \r\nPC8 ,PC7\r\n" << QStringList{"PC9", "PC8", "PC7"};
    QTest::newRow("blank inside kept") << "Smith John\r\n" << QStringList{"Smith John"};
    QTest::newRow("comma splits") << "Smith, John\r\n" << QStringList{"Smith", "John"};
    QTest::newRow("quoted comma") << "\"A, B\"\r\n" << QStringList{"A, B"};
    QTest::newRow("quoted keeps blanks") << "  \"  A  \"\r\n" << QStringList{"  A  "};
    QTest::newRow("after closing quote dropped") << "\"A\"xyz,B\r\n" << QStringList{"A", "B"};
    QTest::newRow("quote inside unquoted field") << "say \"hi\",B\r\n" << QStringList{"say \"hi\"", "B"};
    QTest::newRow("quoted over line end") << "\"A\r\nB\",C\r\n" << QStringList{"A\r\nB", "C"};
    QTest::newRow("unclosed quote to end") << "\"A, B\r\nC\r\n" << QStringList{"A, B\r\nC\r\n"};
    QTest::newRow("blank line") << "a, b\r\n\r\nc\r\n" << QStringList{"a", "b", "", "c"};
    QTest::newRow("line of blanks") << "a\r\n   \r\nc\r\n" << QStringList{"a", "", "c"};
    QTest::newRow("only a line end") << "\r\n" << QStringList{""};
    QTest::newRow("two commas") << "a,,b\r\n" << QStringList{"a", "", "b"};
    QTest::newRow("trailing comma at end") << "a," << QStringList{"a", ""};
    QTest::newRow("LF line ends") << "a\nb\n\nc\n" << QStringList{"a", "b", "", "c"};
    QTest::newRow("CR line ends") << "a\rb\r\rc\r" << QStringList{"a", "b", "", "c"};
    QTest::newRow("LF CR is two line ends") << "a\n\rb" << QStringList{"a", "", "b"};
    // clang-format on
}

void tst_FieldReader::fields()
{
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    QCOMPARE(readFields(text), expected);
}

QTEST_APPLESS_MAIN(tst_FieldReader)
#include "tst_fieldreader.moc"
