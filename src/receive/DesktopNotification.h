#pragma once

#include <QString>

#include <functional>

// Shows title and body as a desktop notification when a notification service runs on the
// session bus; without a session bus or a service it does nothing, without waiting. A
// notification replaces the one whose number replaces names (0: none); shown, when the service
// answers, tells its number (0 when it failed).
void notifyDesktop(const QString &title, const QString &body, uint replaces = 0,
                   const std::function<void(uint)> &shown = {});
// Takes the notification with that number off the screen.
void closeNotification(uint id);
