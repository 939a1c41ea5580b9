#pragma once

#include <functional>

class QWidget;

// Runs work once the window is on the screen: just after its first expose, when it has been
// drawn, or a second after it was shown, whichever comes first. What a window does not need in
// order to appear is then no part of opening it.
void whenOnScreen(QWidget *window, std::function<void()> work);
