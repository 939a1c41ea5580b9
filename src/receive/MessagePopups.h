#pragma once

#include "MessageSpool.h"

#include <functional>

// Shows each message of a spool folder in a pop-up of its own (and as a desktop notification),
// in the order they came, and removes it from the spool once its pop-up is on the screen.
class MessagePopups final : public QObject
{
    Q_OBJECT
public:
    using Reply = std::function<void(const QString &sender)>;

    MessagePopups(const QString &spoolFolder, Reply reply, QObject *parent = nullptr);
    void start() { m_spool.start(); }

    // The spool folder the host names (HostConfig::messageSpool()).
    static QString defaultFolder();

private:
    void show(const SpoolMessage &message);

    MessageSpool m_spool;
    Reply m_reply;
};
