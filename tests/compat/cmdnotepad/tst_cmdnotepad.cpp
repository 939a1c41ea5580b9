// cmd /c: its shell line and its runs; notepad.exe: editing, saving and closing.
#include "CmdLine.h"
#include "ConsoleRun.h"
#include "Notepad.h"
#include "TestFiles.h"
#include "platform/ChildContract.h"
#include "platform/FixedPaths.h"
#include "platform/LocaleText.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

const QByteArray missing("<missing>"); // no file there, as readFile gives it

} // namespace

class tst_CmdNotepad : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // cmd's arguments after the program name, and the shell line they make; @ is the data folder,
    // named with a blank.
    void line()
    {
        const std::pair<QStringList, QString> rows[] = {
            {{"/cecho", "hi"}, "echo hi"},                                      // the option glued
            {{"/c", "cat", "c:parlo.txt"}, "cat '@/parlo.txt'"},                // the backslash eaten by a shell
            {{"/c", "net", "view", ">@/parlo.txt"}, "net view >'@/parlo.txt'"}, // mapped by the launcher
            {{"/c", "echo x>c:\\y.txt|cat"}, "echo x>'@/y.txt'|cat"},           // a whole line
            {{"/c", "type \"c:\\my file.txt\""}, "type '@/my file.txt'"},
            {{"/c", "echo 'a >c:\\x'"}, "echo 'a >c:\\x'"},
            {{"/c", "echo \\>c:\\x"}, "echo \\>c:\\x"},           // an escaped redirect
            {{"/c", "echo \"c:\\$HOME\""}, "echo \"c:\\$HOME\""}, // an expansion not quoted away
            {{}, "usage"},
        };
        QTemporaryDir temp;
        const QString data = temp.filePath(QStringLiteral("my data"));
        for (auto [arguments, expected] : rows) {
            QList<QByteArray> words;
            for (QString &argument : arguments)
                words.append(argument.replace(u'@', data).toUtf8());
            const CmdLine::Request request = CmdLine::parseArguments(words, FixedPaths(data));
            const QString made = request.valid ? QString::fromUtf8(request.line) : QStringLiteral("usage");
            QVERIFY2(made == expected.replace(u'@', data), qPrintable(arguments.join(u' ') + " -> " + made));
        }
    }

    // Shell lines run with /bin/sh -c, the built cmd first on PATH.
    void run()
    {
        // The line, its exit code, output and error output, and x.txt in the data folder afterwards.
        const std::tuple<QString, int, QString, QString, QByteArray> rows[] = {
            {"cmd /c echo one '>c:\\x.txt' && cmd /c echo two '>>c:\\x.txt'", 0, "", "", "one\ntwo\n"},
            {"cmd /c 'echo oops >&2; echo out; exit 3'", 3, "out\n", "oops\n", missing},
            {"cmd /k dir", 1, CmdLine::usage(), "", missing},
        };
        for (const auto &[shellLine, exitCode, out, err, file] : rows) {
            QTemporaryDir temp;
            const QString data = temp.filePath(QStringLiteral("data folder"));
            const ConsoleRun run = runConsole(QStringLiteral("/bin/sh"),
                                              {"-c", QStringLiteral("cd '%1' && %2").arg(temp.path(), shellLine)},
                                              {QStringLiteral("PATH=" PARLO_TEST_COMPAT_DIR ":/usr/bin:/bin"),
                                               QLatin1String(ChildContract::dataDirectoryVariable) + u'=' + data});
            QVERIFY2(run.errors == err && run.output == out && run.exitCode == exitCode,
                     qPrintable(shellLine + u'\n' + run.output + run.errors));
            QVERIFY2(readFile(data + QStringLiteral("/x.txt")) == file, qPrintable(shellLine));
            QVERIFY2(QDir(temp.path()).entryList(QDir::Files).isEmpty(), qPrintable(shellLine)); // nothing beside it
        }
    }

    void edit_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<int>("style");        // as the launcher passes it: 1 normal, 2 and 6 minimized
        QTest::addColumn<int>("answer");       // to the question on closing; 0: saved with Ctrl+S before
        QTest::addColumn<QByteArray>("after"); // after typing "x", Return, "y" at the end, then saving or closing
        QTest::addColumn<QString>("fault");    // what goes wrong while saving

        const auto row = [](const char *name, const QByteArray &before, int style, int answer, const QByteArray &after,
                            const char *fault = "") {
            QTest::newRow(name) << before << style << answer << after << QString::fromLatin1(fault);
        };
        const int save = QMessageBox::Save, discard = QMessageBox::Discard, cancel = QMessageBox::Cancel;
        // clang-format off
        row("CR LF kept", "PC1\r\nPC2\r\n", 1, 0, "PC1\r\nPC2\r\nx\r\ny");
        row("LF kept", "a\n", 1, 0, "a\nx\ny");
        row("missing file made, CR LF", missing, 1, 0, "x\r\ny");
        row("encoding kept", "Grüße\r\n", 1, 0, "Grüße\r\nx\r\ny");
        row("byte order mark kept", "\xEF\xBB\xBF\r\n", 1, 0, "\xEF\xBB\xBF\r\nx\r\ny");
        // Files that saving would change where nobody typed open read-only.
        row("not UTF-8", "caf\xE9\r\n", 1, 0, "caf\xE9\r\n");
        row("mixed line ends", "a\r\nb\n", 1, 0, "a\r\nb\n");
        row("close: save", "a\r\n", 2, save, "a\r\nx\r\ny");
        row("close: discard", "a\r\n", 6, discard, "a\r\n");
        row("close: cancel", "a\r\n", 1, cancel, "a\r\n");
        row("close: save, unstorable character", "a\r\n", 1, save, "a\r\n", "surrogate");
        // A writable file in a folder where no new file can be made: no save in place.
        row("close: save, folder read-only", "a\r\n", 1, save, "a\r\n", "folder read-only");
        // clang-format on
    }

    void edit()
    {
        QFETCH(QByteArray, before);
        QFETCH(int, style);
        QFETCH(int, answer);
        QFETCH(QByteArray, after);
        QFETCH(QString, fault);
        if (LocaleText::encodingName() != "UTF-8")
            QSKIP("the cases are written in UTF-8");
        QTemporaryDir temp;
        const QString path = temp.filePath(QStringLiteral("parlo.txt"));
        if (before != missing)
            writeFile(path, before);

        Notepad window(path);
        QCOMPARE(readFile(path), before == missing ? QByteArray() : before); // a missing file is made empty
        QCOMPARE(window.findChild<QLabel *>(QStringLiteral("notice"))->isVisibleTo(&window),
                 answer == 0 && after == before);
        QStringList asked, errors;
        window.setAskToSave(
            [&](const QString &name) { return asked.append(name), QMessageBox::StandardButton(answer); });
        window.setShowError([&](const QString &text) { errors.append(text); });
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        window.move(area.bottomRight()); // kept on the screen all the same
        window.showWithStyle(style);
        QCOMPARE(window.isMinimized(), style != 1);
        if (style == 1) {
            QVERIFY(QTest::qWaitForWindowActive(&window));
            QVERIFY(area.contains(window.frameGeometry()));
        }

        auto *editor = window.findChild<QPlainTextEdit *>(QStringLiteral("editor"));
        editor->moveCursor(QTextCursor::End);
        QTest::keyClicks(editor, QStringLiteral("x\ry"));
        if (fault == u"surrogate")
            editor->insertPlainText(QString(QChar(0xD800)));
        const bool readOnlyFolder = fault == u"folder read-only";
        using P = QFile::Permission;
        if (readOnlyFolder) {
            QVERIFY(QFile::setPermissions(path, P::ReadOwner | P::WriteOwner | P::ReadGroup | P::WriteGroup |
                                                    P::ReadOther | P::WriteOther));
            QVERIFY(QFile::setPermissions(temp.path(), P::ReadOwner | P::ExeOwner | P::ReadGroup | P::ExeGroup |
                                                           P::ReadOther | P::ExeOther));
        }
        // Permissions do not hold root back: the save runs as nobody.
        const bool asNobody = readOnlyFolder && ::geteuid() == 0;
        if (asNobody)
            QCOMPARE(::seteuid(65534), 0);
        if (answer == 0)
            QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
        const bool closed = window.close();
        if (asNobody)
            QCOMPARE(::seteuid(0), 0);
        if (readOnlyFolder)
            QFile::setPermissions(temp.path(), P::ReadOwner | P::WriteOwner | P::ExeOwner);

        QCOMPARE(closed, answer != QMessageBox::Cancel && fault.isEmpty());
        QCOMPARE(asked, answer == 0 ? QStringList() : QStringList{QStringLiteral("parlo.txt")});
        QCOMPARE(readFile(path), after);
        QCOMPARE(errors.size(), fault.isEmpty() ? 0 : 1); // a failed save is told, and the text stays
        if (readOnlyFolder)
            QVERIFY2(errors.first().contains(u"is as it was"), qPrintable(errors.first()));
        window.setAskToSave([](const QString &) { return QMessageBox::Discard; });
    }
};

QTEST_MAIN(tst_CmdNotepad)
#include "tst_cmdnotepad.moc"
