#include "TestFiles.h"
#include "about/frmAbout.h"
#include "core/NetStatus.h"
#include "main/AliasBook.h"
#include "main/ListSender.h"
#include "main/Messaging.h"
#include "main/parlo.h"
#include "tools/ToolWindows.h"
#include "ui/ApplicationIcon.h"
#include "ui/Controls.h"
#include "ui/DeferredIconStyle.h"
#include "wininfo/wininfo.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QTemporaryDir>

namespace {

// The main window over a fake host, with its controls at hand.
struct Window
{
    explicit Window(Host host) : window(host) {}
    // Clicks a button or a picture, chooses a menu item, or presses Enter in txtmsg.
    void use(const QString &name)
    {
        if (name == u"Enter") {
            txtmsg->moveCursor(QTextCursor::End);
            QTest::keyClick(txtmsg, Qt::Key_Return);
        } else if (auto *button = window.findChild<QAbstractButton *>(name)) {
            button->click();
        } else if (auto *action = window.findChild<QAction *>(name)) {
            action->trigger();
        } else {
            QTest::mouseClick(window.findChild<QWidget *>(name), Qt::LeftButton);
        }
    }

    parlo window;
    QLineEdit *txtno = window.findChild<QLineEdit *>(QStringLiteral("txtno"));
    QComboBox *Combo1 = window.findChild<QComboBox *>(QStringLiteral("Combo1"));
    QPlainTextEdit *txtmsg = window.findChild<QPlainTextEdit *>(QStringLiteral("txtmsg"));
};

} // namespace

class tst_parlo : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_temp;
    std::unique_ptr<FakeHost> m_fake;
    QString file(const QString &name) const { return m_temp->filePath(name); }
    // The programs a step started, then the message boxes it asks for.
    QStringList effects(const Outcome &outcome) const { return lines(m_fake->launcher.calls) + lines(outcome.notices); }

private Q_SLOTS:
    void init()
    {
        m_temp = std::make_unique<QTemporaryDir>();
        m_fake = std::make_unique<FakeHost>(m_temp->path());
        m_fake->runner.next.text = QStringLiteral("The message was successfully sent to BOB.\r\n");
    }

    // Each label shows its fact on its second line.
    void labels()
    {
        m_fake->facts.variables = {{QStringLiteral("userdomain"), QStringLiteral("OFFICE")}};
        Window w(m_fake->host());
        QStringList shown;
        for (int i = 1; i <= 4; ++i)
            shown << w.window.findChild<CaptionLabel *>(QStringLiteral("Label%1").arg(i))->text().section(u'\n', -1);
        QCOMPARE(shown, (QStringList{"Your Local IP is 10.0.0.7", "WS1", "OFFICE", ""}));
    }

    // A window without a maker (its module not installed) leaves its menu item disabled.
    void itemsWithoutWindowsAreDisabled()
    {
        parlo window(m_fake->host(), {{"ping", [](Host) { return new QWidget; }}});
        QVERIFY(window.findChild<QAction *>("mPing")->isEnabled());
        QVERIFY(!window.findChild<QAction *>("mtracert")->isEnabled());
    }

    void exitAndItsPictureEndTheProgram()
    {
        Window w(m_fake->host());
        w.window.show();
        QSignalSpy exits(&w.window, &parlo::exitRequested);
        // The other picture sends.
        for (const auto &[name, count] :
             {std::pair{"cmdExit", 1}, std::pair{"Picture1", 2}, std::pair{"Picture2", 2}}) {
            w.use(QLatin1String(name));
            QCOMPARE(exits.count(), count);
        }
    }

    void send()
    {
        const QString reply = QStringLiteral("The message was successfully sent to BOB.\n"); // from CR LF
        const QStringList none;
        const QStringList toBob{"6 net send BOB hello"};
        const QStringList first{"Parlo (i): First type something to send !"};
        // A NUL would cut the line the shell gets, and the report would replace the message unsent.
        const QStringList nul{"Parlo: The recipient name holds a NUL character, which net send cannot carry; nothing "
                              "was sent."};
        // The name typed and picked, the button, picture or key used; the runs, the boxes, and txtmsg afterwards.
        const std::tuple<QString, QString, QString, QStringList, QStringList, QString> rows[] = {
            {"BOB", "PC7", "cmdSend", toBob, none, reply}, // the typed name wins
            {"", "PC7", "Picture2", {"6 net send PC7 hello"}, none, reply},
            {"BOB", "", "Enter", toBob, none, "\n" + reply},
            {"", "", "cmdSend", none, first, "hello"},
            {"", "", "Enter", none, none, "hello\n"}, // nobody: just a line break
            {"BOB", "PC7", "cmdClear", none, none, ""},
            {QString("BO") + QChar(0) + "B", "", "cmdSend", none, nul, "hello"},
        };
        for (const auto &[typed, picked, how, runs, boxes, shown] : rows) {
            init();
            Window w(m_fake->host());
            w.txtno->setText(typed);
            w.Combo1->setEditText(picked);
            w.txtmsg->setPlainText(QStringLiteral("hell"));
            w.txtmsg->moveCursor(QTextCursor::End);
            QTest::keyClicks(w.txtmsg, QStringLiteral("o")); // other keys send nothing
            QVERIFY(m_fake->runner.calls.isEmpty());

            w.use(how);

            QCOMPARE(lines(m_fake->runner.calls), runs);
            QCOMPARE(lines(m_fake->messages.boxes), boxes);
            QCOMPARE(w.txtmsg->toPlainText(), shown);
            QCOMPARE(w.txtno->text(), typed);
            QCOMPARE(w.Combo1->currentText(), picked);
        }
    }

    // The alias box offers what the alias book gives; a name that could not be saved stays typed.
    void aliasBox()
    {
        Window w(m_fake->host());
        w.txtno->setText(QStringLiteral("PC1"));
        for (const char *name : {"cmdAdd", "cmdGetalias", "cmdGetalias"})
            w.use(QLatin1String(name));
        QCOMPARE(w.txtno->text(), QString());
        QVERIFY(QFile::remove(file(QStringLiteral("parlo.txt"))) && QDir().mkdir(file(QStringLiteral("parlo.txt"))));
        w.txtno->setText(QStringLiteral("PC2"));
        w.use(QStringLiteral("cmdAdd"));
        QCOMPARE(w.Combo1->itemText(3), QStringLiteral("PC2"));
        QCOMPARE(w.txtno->text(), QStringLiteral("PC2"));
        QCOMPARE(lines(m_fake->messages.boxes), QStringList{"Parlo: Cannot write c:\\parlo.txt: Is a directory"});
    }

    // Each menu item reaches its own list, file or program; what could not start or run is shown, and
    // the message stays.
    void failuresAreShown()
    {
        for (int list = 1; list <= 4; ++list)
            writeFile(file(QStringLiteral("list%1.txt").arg(list)), "PC" + QByteArray::number(list));
        m_fake->launcher.next.error = QStringLiteral("Cannot start it.");
        m_fake->runner.next.error = QStringLiteral("Cannot run it.");
        Window w(m_fake->host());
        w.txtno->setText(QStringLiteral("BOB"));
        w.txtmsg->setPlainText(QStringLiteral("hi"));
        for (const char *use : {"mlist1", "mlist2", "mlist3", "mlist4", "mEAlias", "eList1", "mElist2", "mElist3",
                                "mElist4", "mtelnet", "cmdSend"})
            w.use(QLatin1String(use));
        const QString edit = QStringLiteral("1 notepad.exe c:\\list%1.txt");
        QCOMPARE(lines(m_fake->launcher.calls),
                 (QStringList{"2 net [send] [PC1] [hi]", "2 net [send] [PC2] [hi]", "2 net [send] [PC3] [hi]",
                              "2 net [send] [PC4] [hi]", "1 notepad.exe c:\\parlo.txt", edit.arg(1), edit.arg(2),
                              edit.arg(3), edit.arg(4), "1 telnet.exe"}));
        QCOMPARE(lines(m_fake->messages.boxes), QStringList(10, QStringLiteral("Parlo: Cannot start it."))
                                                    << QStringLiteral("Parlo: Cannot run it."));
        QCOMPARE(w.txtmsg->toPlainText(), QStringLiteral("hi"));
    }

    // The alias book and the list sender on their own.
    void aliasBook()
    {
        const QStringList none, pc1{"PC1"};
        const QByteArray old("OLD\r\n"), gone("<missing>"), fields("PC1\r\n  PC9\r\n\r\nA,\"B, C\"\r\n");
        const QString netView = "2 cmd /c net view >c:\\parlo.txt", noCmd = "Cannot start cmd: no such program.";
        const QStringList missing{netView, "Missing File!: You're missing the file c:\\parlo.txt!",
                                  "Parlo: Click \"Get Aliases\" again"};
        // The alias file before (null: none); read, or + and the name to add; the failure of every
        // program start; the names, the effects, and the alias file after.
        const std::tuple<QByteArray, QString, QString, QStringList, QStringList, QByteArray> rows[] = {
            // An added name reads back as the one entry it was; the file is appended to, with CR LF.
            {old, "+PC1", "", pc1, none, old + "PC1\r\n"},
            {old, "+Smith, John", "", {"Smith, John"}, none, old + "\"Smith, John\"\r\n"},
            {{}, "+  PC9", "", {"  PC9"}, none, "\"  PC9\"\r\n"}, // to no file
            {old, "+", "", none, {"Parlo: Nothing to add !"}, old},
            {fields, "read", "", {"PC1", "PC9", "", "A", "B, C"}, none, fields},
            {{}, "read", "", none, missing, gone},
            {{}, "read", noCmd, none, {netView, "Parlo: " + noCmd}, gone},
        };
        for (const auto &[before, step, failure, names, effects, after] : rows) {
            init();
            if (!before.isNull())
                writeFile(file(QStringLiteral("parlo.txt")), before);
            m_fake->launcher.next.error = failure;
            const AliasBook book(m_fake->launcher, m_fake->paths);

            const Outcome outcome = step == u"read" ? book.read() : book.add(step.mid(1));

            QCOMPARE(outcome.names, names);
            QCOMPARE(this->effects(outcome), effects);
            QCOMPARE(readFile(file(QStringLiteral("parlo.txt"))), after);
        }
    }

    void listSender()
    {
        const QByteArray pc1("PC1\r\n");
        const QString nul = "Parlo: The %1 holds a NUL character, which net send cannot carry; nothing was sent.";
        const QString noNet = "Cannot start net: no such program.";
        const QStringList five{"2 net [send] [PC1] [hi]", "2 net [send] [PC2] [hi]", "2 net [send] [PC3] [hi]",
                               "2 net [send] [007] [hi]", "2 net [send] [John Smith] [hi]"};
        // The file of list 2, the list sent, the message, the failure of every program start, the effects.
        const std::tuple<QByteArray, int, QString, QString, QStringList> rows[] = {
            // One net per name, in file order, empty fields skipped; a name with a blank is one name.
            {"PC1\r\nPC2\r\n\r\nPC3,,007\r\n  John Smith\r\n", 2, "hi", "", five},
            {pc1, 2, QString("h") + QChar(0) + "i", "", {nul.arg("message")}},
            {QByteArrayLiteral("PC1\r\nPC\0002\r\n"), 2, "hi", "", {nul.arg("recipient name")}}, // nobody gets it
            {pc1, 2, "", "", {"Parlo (i): First type something to send !"}},
            {pc1, 3, "hi", "", {"Parlo: First create a file by choosing Edit ListX where x is the list number 1-4"}},
            {"PC1\r\nPC2\r\n", 2, "hi", noNet, {"2 net [send] [PC1] [hi]", "Parlo: " + noNet}}, // said once
        };
        for (const auto &[list2, list, message, failure, effects] : rows) {
            init();
            writeFile(file(QStringLiteral("list2.txt")), list2);
            m_fake->launcher.next.error = failure;
            const ListSender lists(m_fake->launcher, m_fake->paths, m_fake->history);
            QCOMPARE(this->effects(lists.send(list, message)), effects);
        }
    }

    // How each copy fared goes to the history, for a list send and a send to one; a list's report
    // comes once, when its last net has ended, whatever the order.
    void deliveriesAreKept()
    {
        writeFile(file(QStringLiteral("list2.txt")), "PC1\r\nGHOST\r\nPC1\r\nFAR\r\n");
        QStringList reports;
        const ListSender lists(m_fake->launcher, m_fake->paths, m_fake->history);
        lists.send(2, QStringLiteral("hi"), [&reports](const QString &report) { reports.append(report); });
        QCOMPARE(m_fake->launcher.ended.size(), 4);
        for (const int i : {3, 1, 0})
            m_fake->launcher.ended[i](QList<int>{netSent, netNameNotFound, netSent, netUnreachable}[i]);
        QVERIFY(reports.isEmpty());
        m_fake->launcher.ended[2](netSent);
        QCOMPARE(reports, QStringList{"List2: 2 of 4 delivered; GHOST: name not found; FAR: unreachable"});

        Window w(m_fake->host());
        w.txtno->setText(QStringLiteral("BOB"));
        w.txtmsg->setPlainText(QStringLiteral("hi"));
        m_fake->runner.next.exitCode = netRefused;
        w.use(QStringLiteral("cmdSend"));
        QStringList kept;
        for (const HistoryEntry &entry : m_fake->history.find({}, 10)) {
            for (const HistoryRecipient &copy : entry.recipients)
                kept.append(entry.list + u' ' + copy.name + u' ' + deliveryText(copy.delivery));
        }
        QCOMPARE(kept, (QStringList{" BOB refused by the receiver", "List2 PC1 delivered", "List2 GHOST name not found",
                                    "List2 PC1 delivered", "List2 FAR unreachable"}));
    }

    // Every window shows the application's icon, set once the first window is on the screen.
    void oneIcon()
    {
        useApplicationIcon();
        WindowMakers makers = toolWindowMakers();
        makers.insert(wininfoWindowMakers());
        makers.insert(aboutWindowMakers());
        makers.insert(QStringLiteral("parlo"), [](Host host) { return new parlo(host); });
        const std::unique_ptr<QWidget> first(makers.first()(m_fake->host()));
        first->show();
        QTRY_VERIFY(!QApplication::windowIcon().isNull());
        for (const auto &[name, make] : makers.asKeyValueRange()) {
            const std::unique_ptr<QWidget> made(make(m_fake->host()));
            QVERIFY2(made->windowIcon().cacheKey() == QApplication::windowIcon().cacheKey(), qPrintable(name));
        }
    }

    // Alt and a letter opens a menu or a window of the bar, a letter an item of an open menu, F10
    // the first menu.
    void keyboard()
    {
        const WindowMaker blank = [](Host) { return new QWidget; };
        // The keys, and the menu or window they open.
        const std::tuple<QList<QKeyCombination>, QString> rows[] = {{{Qt::ALT | Qt::Key_S}, "msend"},
                                                                    {{Qt::Key_F10}, "msend"},
                                                                    {{Qt::ALT | Qt::Key_W}, "wininfo"},
                                                                    {{Qt::ALT | Qt::Key_A, Qt::Key_R}, "tracert"}};
        for (const auto &[keys, opens] : rows) {
            parlo window(m_fake->host(), {{"wininfo", blank}, {"tracert", blank}});
            window.show();
            window.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&window));
            for (const QKeyCombination key : keys) {
                QWidget *popup = QApplication::activePopupWidget();
                QTest::keyClick(popup ? popup : QApplication::focusWidget(), key.key(), key.keyboardModifiers());
            }
            const auto *menu = window.findChild<QMenu *>(opens);
            QVERIFY2(menu ? menu->isVisible() : window.instance(opens) != nullptr, qPrintable(opens));
            if (QApplication::activePopupWidget())
                QApplication::activePopupWidget()->close();
        }
    }

    // Under every style the machine has (Debian 12 has no Breeze for Qt 6), the alias box is drawn
    // with a frame and opens at its arrow, and every menu stands in the bar.
    void everyStyle()
    {
        QVERIFY(QStyleFactory::keys().contains(QStringLiteral("Adwaita-Dark")));
        const QString before = QApplication::style()->name();
        for (const QString &key : QStyleFactory::keys()) {
            QApplication::setStyle(new DeferredIconStyle(key)); // as the program sets it
            Window w(m_fake->host());
            w.window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w.window));
            const QImage drawn = w.Combo1->grab().toImage();
            QImage blank = drawn;
            blank.fill(drawn.pixel(0, 0));
            w.Combo1->addItem(QStringLiteral("PC1")); // an empty box does not open
            QTest::mouseClick(w.Combo1, Qt::LeftButton, {}, {w.Combo1->width() - 10, w.Combo1->height() / 2});
            QTRY_VERIFY2(drawn != blank && QApplication::activePopupWidget(), qPrintable(key));
            QApplication::activePopupWidget()->close();
            const QMenuBar *bar = w.window.menuBar();
            for (QAction *entry : bar->actions())
                QVERIFY2(bar->rect().contains(bar->actionGeometry(entry)) && !bar->actionGeometry(entry).isEmpty(),
                         qPrintable(key + u' ' + entry->text()));
        }
        QApplication::setStyle(before);
    }
};

QTEST_MAIN(tst_parlo)
#include "tst_parlo.moc"
