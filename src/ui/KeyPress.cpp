#include "KeyPress.h"

#include <QKeyEvent>
#include <QWidget>

namespace {

class KeyPressFilter final : public QObject
{
public:
    KeyPressFilter(QWidget *box, std::function<void(int)> handler) : QObject(box), m_handler(std::move(handler)) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<QKeyEvent *>(event);
            int code = 0;
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
                code = keyEnter;
            else if (!key->text().isEmpty())
                code = key->text().at(0).unicode();
            if (code != 0)
                m_handler(code);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void(int)> m_handler;
};

} // namespace

void onKeyPress(QWidget *box, std::function<void(int KeyAscii)> handler)
{
    box->installEventFilter(new KeyPressFilter(box, std::move(handler)));
}
