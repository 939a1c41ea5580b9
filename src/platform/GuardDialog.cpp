#include "GuardDialog.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

class RunningDialog final : public QDialog
{
public:
    RunningDialog(RunningCommand &command, QWidget *parent) : QDialog(parent), m_command(command)
    {
        setObjectName(QStringLiteral("RunningDialog"));
        setWindowTitle(QStringLiteral("Running"));
        setWindowModality(Qt::ApplicationModal);
        auto *layout = new QVBoxLayout(this);
        auto *label = new QLabel(command.commandLine().isEmpty() ? QStringLiteral(" ") : command.commandLine(), this);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setMinimumWidth(260);
        layout->addWidget(label);
        auto *buttons = new QDialogButtonBox(this);
        // Keys typed for the window behind, a space or Enter, must not stop the command: Stop is
        // neither the default button nor focused, and is reached by a click, Alt+S or Esc.
        m_stop = buttons->addButton(QStringLiteral("&Stop"), QDialogButtonBox::RejectRole);
        m_stop->setObjectName(QStringLiteral("Stop"));
        m_stop->setAutoDefault(false);
        m_stop->setDefault(false);
        m_stop->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(buttons);
        connect(m_stop, &QPushButton::clicked, this, &RunningDialog::reject);
        connect(&command, &RunningCommand::finished, this, &RunningDialog::accept);
    }

    // Stop, Esc and the close box all stop the command; the dialog closes once it has ended.
    void reject() override
    {
        m_stop->setEnabled(false);
        m_command.stop();
    }

private:
    RunningCommand &m_command;
    QPushButton *m_stop;
};

} // namespace

void GuardDialog::watch(RunningCommand &command)
{
    if (command.isFinished())
        return;
    {
        QEventLoop loop;
        QTimer delay;
        delay.setSingleShot(true);
        QObject::connect(&delay, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(&command, &RunningCommand::finished, &loop, &QEventLoop::quit);
        delay.start(delayMs);
        // Paint and take events, but hold back the user's input until the command has ended
        // or the dialog has come up.
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (command.isFinished())
        return;
    RunningDialog dialog(command, QApplication::activeWindow());
    dialog.exec();
}
