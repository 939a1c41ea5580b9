#include "OnScreen.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace {

constexpr int latestMs = 1000;

class OnScreen final : public QObject
{
public:
    OnScreen(QWidget *window, std::function<void()> work) : QObject(window), m_window(window), m_work(std::move(work))
    {
        window->installEventFilter(this);
        watchWindow();
        if (window->isVisible())
            QTimer::singleShot(m_watched && m_watched->isExposed() ? 0 : latestMs, this, &OnScreen::run);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == QEvent::Show) {
            watchWindow();
            QTimer::singleShot(latestMs, this, &OnScreen::run);
        } else if (watched == m_window->windowHandle() && event->type() == QEvent::Expose &&
                   m_window->windowHandle()->isExposed()) {
            // After the expose has been handled, which draws the window.
            QTimer::singleShot(0, this, &OnScreen::run);
        }
        return false;
    }

private:
    void watchWindow()
    {
        if (QWindow *handle = m_window->windowHandle(); handle && handle != m_watched) {
            handle->installEventFilter(this);
            m_watched = handle;
        }
    }

    void run()
    {
        const std::function<void()> work = std::move(m_work);
        deleteLater();
        if (work)
            work();
    }

    QWidget *m_window;
    QPointer<QWindow> m_watched;
    std::function<void()> m_work;
};

} // namespace

void whenOnScreen(QWidget *window, std::function<void()> work)
{
    new OnScreen(window, std::move(work));
}

namespace {

int fittedStart(int start, int length, int areaStart, int areaLength)
{
    if (length >= areaLength)
        return areaStart;
    return std::clamp(start, areaStart, areaStart + areaLength - length);
}

// frame moved just far enough to lie wholly inside area: up or left when it reaches past the
// right or bottom edge, down or right past the left or top one. A frame wider or taller than the
// area starts at the area's left or top edge.
QRect fittedInto(const QRect &frame, const QRect &area)
{
    return {fittedStart(frame.x(), frame.width(), area.x(), area.width()),
            fittedStart(frame.y(), frame.height(), area.y(), area.height()), frame.width(), frame.height()};
}

void fitOnScreen(QWidget *window)
{
    const QRect frame = window->frameGeometry();
    const QScreen *screen = QGuiApplication::screenAt(frame.center());
    if (!screen)
        screen = window->screen();
    if (!screen)
        return;
    const QRect fitted = fittedInto(frame, screen->availableGeometry());
    if (fitted.topLeft() != frame.topLeft())
        window->move(fitted.topLeft()); // a window's position is its frame's
}

// Fits the window as it is shown, before it is mapped, so that a position given outside the
// screen is never seen; and again once it has been drawn, when the window manager has placed it
// and its frame's size is known.
class ScreenKeeper final : public QObject
{
public:
    explicit ScreenKeeper(QWidget *window) : QObject(window), m_window(window) { window->installEventFilter(this); }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == QEvent::Show && m_window->isWindow()) {
            fitOnScreen(m_window);
            if (QWindow *handle = m_window->windowHandle(); handle && handle != m_handle) {
                handle->installEventFilter(this);
                m_handle = handle;
            }
            m_mapping = true;
        } else if (watched == m_handle && event->type() == QEvent::Expose && m_mapping && m_handle->isExposed()) {
            m_mapping = false;
            QTimer::singleShot(0, this, [this] { fitOnScreen(m_window); });
        }
        return false;
    }

private:
    QWidget *m_window;
    QPointer<QWindow> m_handle;
    bool m_mapping = false;
};

} // namespace

void keepOnScreen(QWidget *window)
{
    new ScreenKeeper(window);
}
