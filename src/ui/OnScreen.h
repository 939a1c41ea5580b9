#pragma once

#include <functional>

class QWidget;

// Runs work once the window is on the screen: just after its first expose, when it has been
// drawn, or a second after it was shown, whichever comes first. What a window does not need in
// order to appear is then no part of opening it.
void whenOnScreen(QWidget *window, std::function<void()> work);

// Keeps a top-level window wholly inside its screen's available area each time it is shown:
// where it was placed, or where the window manager put it, as long as that fits, else moved
// just far enough; one larger than the area starts at its top left. setUpWindow does it for
// every window built with it.
void keepOnScreen(QWidget *window);
