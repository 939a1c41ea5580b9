#include "FixedPaths.h"
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

const QByteArray missing("<missing>"); // no file before the editor opens

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : missing;
}

// Types at the end of the text; \n is the Return key.
void typeAtEnd(Notepad &window, const QString &text)
{
    auto *editor = window.findChild<QPlainTextEdit *>(QStringLiteral("editor"));
    editor->moveCursor(QTextCursor::End);
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            QTest::keyClick(editor, Qt::Key_Return);
        QTest::keyClicks(editor, lines[i]);
    }
}

} // namespace

class tst_Notepad : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void path_data();
    void path();
    void editAndSave_data();
    void editAndSave();
    void keepsUnsafeFilesReadOnly_data();
    void keepsUnsafeFilesReadOnly();
    void closeAsks_data();
    void closeAsks();
    void saveFailureIsReported_data();
    void saveFailureIsReported();
    void windowStyle_data();
    void windowStyle();
    void untitledAsksForName();
};

void tst_Notepad::initTestCase()
{
    if (LocaleText::encodingName() != "UTF-8")
        QSKIP("the cases below are written in UTF-8");
}

void tst_Notepad::path_data()
{
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<QString>("expected"); // @ is the data folder

    QTest::newRow("drive path") << QStringList{"c:\\list1.txt"} << "@/list1.txt";
    QTest::newRow("upper-case drive") << QStringList{"C:\\parlo.txt"} << "@/parlo.txt";
    QTest::newRow("backslash eaten by a shell") << QStringList{"c:parlo.txt"} << "@/parlo.txt";
    QTest::newRow("forward slash") << QStringList{"c:/whois.txt"} << "@/whois.txt";
    QTest::newRow("name with blanks") << QStringList{"c:\\my", "list.txt"} << "@/my list.txt";
    QTest::newRow("local path") << QStringList{"/tmp/a.txt"} << "/tmp/a.txt";
    QTest::newRow("other drive") << QStringList{"d:\\a.txt"} << "d:\\a.txt";
    QTest::newRow("drive alone") << QStringList{"c:\\"} << "c:\\";
    QTest::newRow("nothing") << QStringList{} << "";
}

void tst_Notepad::path()
{
    QFETCH(QStringList, words);
    QFETCH(QString, expected);
    QTemporaryDir temp;
    const QString data = temp.filePath(QStringLiteral("data"));
    QCOMPARE(notepadPath(words, FixedPaths(data)), expected.replace(u'@', data));
}

void tst_Notepad::editAndSave_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("CR LF kept") << QByteArray("PC1\r\nPC2\r\n") << "PC3\n" << QByteArray("PC1\r\nPC2\r\nPC3\r\n");
    QTest::newRow("LF kept") << QByteArray("a\nb\n") << "c\n" << QByteArray("a\nb\nc\n");
    QTest::newRow("missing file gets CR LF") << missing << "PC1\nPC2" << QByteArray("PC1\r\nPC2");
    QTest::newRow("no line end yet gets CR LF") << QByteArray("PC1") << "\nPC2" << QByteArray("PC1\r\nPC2");
    QTest::newRow("encoding kept") << QByteArray("Grüße\r\n") << "Ärger\n" << QByteArray("Grüße\r\nÄrger\r\n");
    QTest::newRow("byte order mark kept") << QByteArray("\xEF\xBB\xBFx\r\n") << "y" << QByteArray("\xEF\xBB\xBFx\r\ny");
    QTest::newRow("no-break space kept") << QByteArray("a\xC2\xA0 b\r\n") << "c" << QByteArray("a\xC2\xA0 b\r\nc");
}

void tst_Notepad::editAndSave()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, typed);
    QFETCH(QByteArray, after);
    QTemporaryDir temp;
    const QString path = temp.filePath(QStringLiteral("list1.txt"));
    if (before != missing)
        writeFile(path, before);

    Notepad window(path);
    QCOMPARE(readFile(path), before == missing ? QByteArray() : before); // a missing file is created empty
    QCOMPARE(window.windowTitle(), QStringLiteral("list1.txt - Notepad"));
    QVERIFY(!window.isReadOnly());
    window.showWithStyle(1);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    typeAtEnd(window, typed);
    QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(readFile(path), after);
    QVERIFY(window.close()); // saved: closing asks nothing
}

void tst_Notepad::keepsUnsafeFilesReadOnly_data()
{
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("not UTF-8") << QByteArray("caf\xE9\r\n");
    QTest::newRow("cut-off character at the end") << QByteArray("ab\xC3");
    QTest::newRow("mixed line ends") << QByteArray("a\r\nb\nc\r\n");
    QTest::newRow("lone carriage return") << QByteArray("a\rb\r\n");
}

void tst_Notepad::keepsUnsafeFilesReadOnly()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir temp;
    const QString path = temp.filePath(QStringLiteral("parlo.txt"));
    writeFile(path, bytes);

    Notepad window(path);
    window.setAskToSave([](const QString &) { return QMessageBox::Save; });
    window.showWithStyle(1);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QVERIFY(window.isReadOnly());
    QVERIFY(window.findChild<QLabel *>(QStringLiteral("notice"))->isVisible());
    QVERIFY(!window.findChild<QAction *>(QStringLiteral("save"))->isEnabled());
    typeAtEnd(window, QStringLiteral("x\n"));
    QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(!window.save());
    QVERIFY(window.close());
    QCOMPARE(readFile(path), bytes);
}

void tst_Notepad::closeAsks_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("save") << int(QMessageBox::Save) << true << QByteArray("a\r\nb");
    QTest::newRow("discard") << int(QMessageBox::Discard) << true << QByteArray("a\r\n");
    QTest::newRow("cancel") << int(QMessageBox::Cancel) << false << QByteArray("a\r\n");
}

void tst_Notepad::closeAsks()
{
    QFETCH(int, answer);
    QFETCH(bool, closed);
    QFETCH(QByteArray, after);
    QTemporaryDir temp;
    const QString path = temp.filePath(QStringLiteral("parlo.txt"));
    writeFile(path, "a\r\n");

    Notepad window(path);
    QStringList asked;
    window.setAskToSave([&](const QString &name) {
        asked.append(name);
        return QMessageBox::StandardButton(answer);
    });
    window.show();
    QVERIFY(window.close()); // nothing changed yet: no question
    window.show();
    typeAtEnd(window, QStringLiteral("b"));
    QCOMPARE(window.close(), closed);
    QCOMPARE(asked, QStringList{QStringLiteral("parlo.txt")});
    QCOMPARE(readFile(path), after);
}

void tst_Notepad::saveFailureIsReported_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<int>("errors");

    QTest::newRow("character the encoding cannot store") << "unencodable" << 1;
    QTest::newRow("folder removed") << "folder gone" << 1;
    QTest::newRow("untitled, no name given") << "untitled" << 0;
}

void tst_Notepad::saveFailureIsReported()
{
    QFETCH(QString, failure);
    QFETCH(int, errors);
    QTemporaryDir temp;
    const QString folder = temp.filePath(QStringLiteral("sub"));
    const QString path = folder + QStringLiteral("/parlo.txt");
    QVERIFY(QDir().mkpath(folder));
    writeFile(path, "a\r\n");

    Notepad window(failure == QStringLiteral("untitled") ? QString() : path);
    QStringList shown;
    window.setShowError([&](const QString &text) { shown.append(text); });
    window.setAskFileName([] { return QString(); });
    window.setAskToSave([](const QString &) { return QMessageBox::Save; });
    typeAtEnd(window, QStringLiteral("b"));
    if (failure == QStringLiteral("unencodable"))
        window.findChild<QPlainTextEdit *>(QStringLiteral("editor"))->insertPlainText(QString(QChar(0xD800)));
    if (failure == QStringLiteral("folder gone"))
        QVERIFY(QDir(folder).removeRecursively());

    window.show();
    QVERIFY(!window.close()); // the edit is not lost: the window stays
    QCOMPARE(shown.size(), errors);
    if (errors)
        QVERIFY2(shown.first().contains(path), qPrintable(shown.first()));
    QCOMPARE(readFile(path), failure == QStringLiteral("folder gone") ? missing : QByteArray("a\r\n"));
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

void tst_Notepad::untitledAsksForName()
{
    QTemporaryDir temp;
    const QString path = temp.filePath(QStringLiteral("new.txt"));
    Notepad window(QString{});
    QCOMPARE(window.windowTitle(), QStringLiteral("Untitled - Notepad"));
    window.setAskFileName([&] { return path; });
    typeAtEnd(window, QStringLiteral("PC1\nPC2"));
    QVERIFY(window.save());
    QCOMPARE(readFile(path), QByteArray("PC1\r\nPC2"));
    QCOMPARE(window.windowTitle(), QStringLiteral("new.txt - Notepad"));
}

QTEST_MAIN(tst_Notepad)
#include "tst_notepad.moc"
