#include "OnScreen.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

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
