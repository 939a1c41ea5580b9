// What every window is built from: key handlers, pictures, the close guard, work once on screen.
#include "ui/Controls.h"
#include "ui/Form.h"
#include "ui/KeyPress.h"
#include "ui/OnScreen.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

// A window whose handlers run under its close guard.
class Window final : public Form
{
public:
    Window() : Form("window", QString(), {1500, 1500}, Border::FixedSingle, Background::Style) {}
    void handle(const std::function<void()> &handler) { m_closeGuard.run(handler); }
};

class tst_Ui : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The handler hears each key that types something, Enter as 13; the box still gets the key.
    void keyPress()
    {
        const struct
        {
            const char *name;
            Qt::Key key;
            bool output; // a read-only output box, else an input box
            QList<int> heard;
            QString text; // the box's afterwards
        } rows[] = {{"keypad Enter", Qt::Key_Enter, false, {13}, ""},
                    {"letter", Qt::Key_A, false, {'a'}, "a"},
                    {"arrow", Qt::Key_Left, false, {}, ""},
                    {"read-only output", Qt::Key_A, true, {'a'}, ""}};
        for (const auto &row : rows) {
            QWidget window;
            QWidget *target = row.output ? outputBox(&window, "box", {}, Editing::ReadOnly)
                                         : static_cast<QWidget *>(inputBox(&window, "box", {}));
            QList<int> heard;
            onKeyPress(target, [&heard](int KeyAscii) { heard << KeyAscii; });
            QTest::keyClick(target, row.key);
            QVERIFY2(heard == row.heard, row.name);
            QVERIFY2(target->property(row.output ? "plainText" : "text").toString() == row.text, row.name);
        }
    }

    // Only a left click let go on the picture is a click.
    void pictureClick()
    {
        PictureBox picture(QString(), {8, 8});
        picture.resize(20, 20);
        QSignalSpy clicks(&picture, &PictureBox::clicked);
        QTest::mouseClick(&picture, Qt::RightButton, {}, {5, 5});
        QTest::mousePress(&picture, Qt::LeftButton, {}, {5, 5});
        QTest::mouseRelease(&picture, Qt::LeftButton, {}, {40, 5}); // let go outside
        QCOMPARE(clicks.count(), 0);
        QTest::mouseClick(&picture, Qt::LeftButton, {}, {5, 5});
        QCOMPARE(clicks.count(), 1);
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

    // Shown wholly inside the screen, moved only as far as it must; one larger than the screen
    // starts at its top left.
    void keptOnScreen()
    {
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        const std::pair<int, QPoint> rows[] = {
            {3000, {10, 10}}, {3000, area.bottomRight()}, {3000, {-80, -80}}, {30000, area.center()}};
        for (const auto &[twips, placed] : rows) {
            QWidget window;
            setUpWindow(&window, "window", QString(), {twips, twips}, Border::Sizable);
            window.move(placed);
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QTest::qWait(0);
            const QRect frame = window.frameGeometry();
            const QByteArray row = QByteArray::number(placed.x()) + " " + QByteArray::number(twips);
            QVERIFY2(frame.width() > area.width() ? frame.topLeft() == area.topLeft() : area.contains(frame), row);
            QVERIFY2(!area.contains(QRect(placed, frame.size())) || frame.topLeft() == placed, row);
        }
    }

    // Pictures come from Qt's SVG image plug-in, loaded when first needed: drawn, not blank.
    void picturesAreDrawn()
    {
        const QImage picture = renderSvg(QStringLiteral(":/ui/parlo.svg"), {32, 32}).toImage();
        QCOMPARE(picture.size(), QSize(32, 32));
        QVERIFY(qAlpha(picture.pixel(16, 16)) > 0);
    }

    // Not before the window is on the screen, then exactly once; asked before show() or after.
    void onScreen()
    {
        for (const bool askedBeforeShow : {true, false}) {
            const char *when = askedBeforeShow ? "asked before show()" : "asked after show()";
            QWidget window;
            QList<bool> runs; // whether the window was exposed, at each run
            const auto work = [&] { runs << (window.windowHandle() && window.windowHandle()->isExposed()); };
            if (askedBeforeShow)
                whenOnScreen(&window, work);
            QTest::qWait(50);
            QVERIFY2(runs.isEmpty(), when);
            window.show();
            if (!askedBeforeShow)
                whenOnScreen(&window, work);
            QTRY_VERIFY2_WITH_TIMEOUT(!runs.isEmpty(), when, 3000);
            QTest::qWait(1200); // past the time limit: still once
            QVERIFY2(runs == QList<bool>{true}, when);
        }
    }
};

QTEST_MAIN(tst_Ui)
#include "tst_ui.moc"
