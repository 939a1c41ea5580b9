#pragma once

#include <QRect>

#include <functional>

class QWidget;

// Runs work once the window is on the screen: just after its first expose, when it has been
// drawn, or a second after it was shown, whichever comes first. What a window does not need in
// order to appear is then no part of opening it.
void whenOnScreen(QWidget *window, std::function<void()> work);

// frame moved just far enough to lie wholly inside area: up or left when it reaches past the
// right or bottom edge, down or right past the left or top one. A frame wider or taller than the
// area starts at the area's left or top edge.
QRect fittedInto(const QRect &frame, const QRect &area);

// Keeps a top-level window wholly inside its screen's available area each time it is shown:
// where it was placed, or where the window manager put it, as long as that fits. setUpWindow
// does it for every window built with it.
void keepOnScreen(QWidget *window);
