#include "LocaleText.h"
#include "Notepad.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray missing("<missing>"); // no file there

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : missing;
}

} // namespace

class tst_Notepad : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void editAndSave_data();
    void editAndSave();
    void close_data();
    void close();
    void windowStyle_data();
    void windowStyle();

private:
    QTemporaryDir m_temp;
};

void tst_Notepad::initTestCase()
{
    if (LocaleText::encodingName() != "UTF-8")
        QSKIP("the cases below are written in UTF-8");
}

void tst_Notepad::editAndSave_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after"); // after typing "x", Return, "y" at the end and Ctrl+S
    QTest::addColumn<bool>("readOnly");    // the file cannot be written back as it was

    QTest::newRow("CR LF kept") << QByteArray("PC1\r\nPC2\r\n") << QByteArray("PC1\r\nPC2\r\nx\r\ny") << false;
    QTest::newRow("LF kept") << QByteArray("a\n") << QByteArray("a\nx\ny") << false;
    QTest::newRow("missing file made, CR LF") << missing << QByteArray("x\r\ny") << false;
    QTest::newRow("no line end yet, CR LF") << QByteArray("PC1") << QByteArray("PC1x\r\ny") << false;
    QTest::newRow("encoding kept") << QByteArray("Grüße\r\n") << QByteArray("Grüße\r\nx\r\ny") << false;
    QTest::newRow("byte order mark kept")
        << QByteArray("\xEF\xBB\xBF\r\n") << QByteArray("\xEF\xBB\xBF\r\nx\r\ny") << false;
    QTest::newRow("no-break space kept") << QByteArray("\xC2\xA0\r\n") << QByteArray("\xC2\xA0\r\nx\r\ny") << false;
    QTest::newRow("not UTF-8") << QByteArray("caf\xE9\r\n") << QByteArray("caf\xE9\r\n") << true;
    QTest::newRow("mixed line ends") << QByteArray("a\r\nb\n") << QByteArray("a\r\nb\n") << true;
    QTest::newRow("lone carriage return") << QByteArray("a\rb") << QByteArray("a\rb") << true;
}

void tst_Notepad::editAndSave()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QFETCH(bool, readOnly);
    const QString path = m_temp.filePath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".txt"));
    QFile file(path);
    if (before != missing)
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(before) == before.size() && file.flush());

    Notepad window(path);
    QCOMPARE(readFile(path), before == missing ? QByteArray() : before); // a missing file is made empty
    QCOMPARE(window.windowTitle(), QFileInfo(path).fileName() + QStringLiteral(" - Notepad"));
    QCOMPARE(window.isReadOnly(), readOnly);
    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("notice"))->isVisibleTo(&window), readOnly);
    window.showWithStyle(1);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto *editor = window.findChild<QPlainTextEdit *>(QStringLiteral("editor"));
    editor->moveCursor(QTextCursor::End);
    QTest::keyClicks(editor, QStringLiteral("x"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClicks(editor, QStringLiteral("y"));
    QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(readFile(path), after);
    QVERIFY(window.close()); // nothing unsaved: no question
}

void tst_Notepad::close_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("failure"); // what goes wrong before the window closes
    QTest::addColumn<bool>("closed");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("save") << int(QMessageBox::Save) << "" << true << QByteArray("a\r\nb");
    QTest::newRow("discard") << int(QMessageBox::Discard) << "" << true << QByteArray("a\r\n");
    QTest::newRow("cancel") << int(QMessageBox::Cancel) << "" << false << QByteArray("a\r\n");
    QTest::newRow("save, unstorable character")
        << int(QMessageBox::Save) << "surrogate" << false << QByteArray("a\r\n");
    QTest::newRow("save, folder gone") << int(QMessageBox::Save) << "folder gone" << false << missing;
}

void tst_Notepad::close()
{
    QFETCH(int, answer);
    QFETCH(QString, failure);
    QFETCH(bool, closed);
    QFETCH(QByteArray, after);
    QTemporaryDir temp;
    const QString path = temp.filePath(QStringLiteral("parlo.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("a\r\n") == 3 && file.flush());

    Notepad window(path);
    QStringList asked, errors;
    window.setAskToSave([&](const QString &name) { return asked.append(name), QMessageBox::StandardButton(answer); });
    window.setShowError([&](const QString &text) { errors.append(text); });
    window.show();
    auto *editor = window.findChild<QPlainTextEdit *>(QStringLiteral("editor"));
    editor->moveCursor(QTextCursor::End);
    editor->insertPlainText(failure == QStringLiteral("surrogate") ? QString{u'b', QChar(0xD800)}
                                                                   : QStringLiteral("b"));
    if (failure == QStringLiteral("folder gone"))
        QVERIFY(temp.remove());

    QCOMPARE(window.close(), closed);
    QCOMPARE(asked, QStringList{QStringLiteral("parlo.txt")});
    QCOMPARE(readFile(path), after);
    QCOMPARE(errors.size(), failure.isEmpty() ? 0 : 1); // a failed save is told, and the text stays
    window.setAskToSave([](const QString &) { return QMessageBox::Discard; });
}

void tst_Notepad::windowStyle_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<bool>("minimized");

    QTest::newRow("normal") << 1 << false;
    QTest::newRow("minimized with focus") << 2 << true;
    QTest::newRow("minimized without focus") << 6 << true;
}

void tst_Notepad::windowStyle()
{
    QFETCH(int, style);
    QFETCH(bool, minimized);
    Notepad window(QString{});
    window.showWithStyle(style);
    QVERIFY(window.isVisible());
    QCOMPARE(window.isMinimized(), minimized);
}

QTEST_MAIN(tst_Notepad)
#include "tst_notepad.moc"
