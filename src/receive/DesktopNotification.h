#pragma once

#include <QString>

// Shows title and body as a desktop notification when a notification service runs on the
// session bus; without a session bus or a service it does nothing, without waiting.
void notifyDesktop(const QString &title, const QString &body);
