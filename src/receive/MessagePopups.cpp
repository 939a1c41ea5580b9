#include "MessagePopups.h"

#include "DesktopNotification.h"
#include "HostConfig.h"
#include "frmMessage.h"

MessagePopups::MessagePopups(const QString &spoolFolder, Reply reply, QObject *parent)
    : QObject(parent), m_spool(spoolFolder), m_reply(std::move(reply))
{
    connect(&m_spool, &MessageSpool::arrived, this, &MessagePopups::show);
}

QString MessagePopups::defaultFolder()
{
    return HostConfig::messageSpool();
}

void MessagePopups::show(const SpoolMessage &message)
{
    auto *popup = new frmMessage(message);
    connect(popup, &frmMessage::replyRequested, this, [this](const QString &sender) { m_reply(sender); });
    popup->show();
    popup->raise();
    notifyDesktop(messageHeading(message), message.text);
    m_spool.take(message);
}
