// What every window is built from: key handlers, pictures, the close guard and the work done
// once a window is on the screen.
#include "ui/Form.h"
#include "ui/KeyPress.h"
#include "ui/OnScreen.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

namespace {

// A window whose handlers run under its close guard.
class Window final : public Form
{
public:
    Window() : Form("window", QString(), {1500, 1500}, Border::FixedSingle, Background::Style) {}
    void handle(const std::function<void()> &handler) { m_closeGuard.run(handler); }
};

} // namespace

class tst_Ui : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The handler hears each key that types something, Enter as 13; the box still gets the key.
    void keyPress_data()
    {
        QTest::addColumn<QString>("box"); // an input box, or an editable or read-only output box
        QTest::addColumn<int>("key");
        QTest::addColumn<QList<int>>("heard");
        QTest::addColumn<QString>("text"); // the box's afterwards
        QTest::newRow("Return") << "input" << int(Qt::Key_Return) << QList<int>{13} << "";
        QTest::newRow("keypad Enter") << "input" << int(Qt::Key_Enter) << QList<int>{13} << "";
        QTest::newRow("letter") << "input" << int(Qt::Key_A) << QList<int>{'a'} << "a";
        QTest::newRow("arrow") << "input" << int(Qt::Key_Left) << QList<int>{} << "";
        QTest::newRow("editable output") << "editable" << int(Qt::Key_A) << QList<int>{'a'} << "a";
        QTest::newRow("read-only output") << "read-only" << int(Qt::Key_A) << QList<int>{'a'} << "";
    }

    void keyPress()
    {
        QFETCH(QString, box);
        QFETCH(int, key);
        QWidget window;
        QWidget *target =
            box == u"input" ? static_cast<QWidget *>(inputBox(&window, "box", {}))
                            : outputBox(&window, "box", {}, box == u"editable" ? Editing::Editable : Editing::ReadOnly);
        QList<int> heard;
        onKeyPress(target, [&heard](int KeyAscii) { heard << KeyAscii; });
        QTest::keyClick(target, Qt::Key(key));
        QTEST(heard, "heard");
        QTEST(target->property(box == u"input" ? "text" : "plainText").toString(), "text");
    }

    // Only a left click let go on the picture is a click.
    void pictureClick_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QPoint>("release");
        QTest::addColumn<int>("clicks");
        QTest::newRow("left") << int(Qt::LeftButton) << QPoint(5, 5) << 1;
        QTest::newRow("right") << int(Qt::RightButton) << QPoint(5, 5) << 0;
        QTest::newRow("let go outside") << int(Qt::LeftButton) << QPoint(40, 5) << 0;
    }

    void pictureClick()
    {
        QFETCH(int, button);
        QFETCH(QPoint, release);
        PictureBox picture(QString(), {8, 8});
        picture.resize(20, 20);
        picture.show();
        QSignalSpy clicks(&picture, &PictureBox::clicked);
        QTest::mousePress(&picture, Qt::MouseButton(button), {}, {5, 5});
        QTest::mouseRelease(&picture, Qt::MouseButton(button), {}, release);
        QTEST(int(clicks.count()), "clicks");
    }

    // A close that comes while a handler runs, also one within another, waits for the outer one.
    void closeWaitsForTheHandlers()
    {
        QPointer<Window> window = new Window;
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
        window->handle([&] {
            window->handle([&] { window->close(); });
            QTest::qWait(20);
            QVERIFY(window && window->isVisible());
        });
        QVERIFY(window && window->isVisible());
        QTRY_VERIFY(window.isNull());
    }

    void onScreen_data()
    {
        QTest::addColumn<bool>("askedBeforeShow");
        QTest::newRow("asked before the window is shown") << true;
        QTest::newRow("asked after show()") << false;
    }

    // Not before the window is on the screen, then exactly once.
    void onScreen()
    {
        QFETCH(bool, askedBeforeShow);
        QWidget window;
        int runs = 0;
        bool exposedThen = false;
        const auto work = [&] {
            ++runs;
            exposedThen = window.windowHandle() && window.windowHandle()->isExposed();
        };
        if (askedBeforeShow)
            whenOnScreen(&window, work);
        QTest::qWait(50);
        QCOMPARE(runs, 0);
        window.show();
        if (!askedBeforeShow)
            whenOnScreen(&window, work);
        QTRY_COMPARE_WITH_TIMEOUT(runs, 1, 3000);
        QVERIFY(exposedThen);
        QTest::qWait(1200); // past the time limit: still once
        QCOMPARE(runs, 1);
    }
};

QTEST_MAIN(tst_Ui)
#include "tst_ui.moc"
