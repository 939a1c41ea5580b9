#pragma once

#include <QIcon>

// The program's icon, the one its desktop entry shows, drawn at each size it is asked for.
QIcon applicationIcon();

// Makes applicationIcon() the icon of every window, once the first window is on the screen
// (drawing it at the sizes a window system asks for is no part of opening a window), and names
// the desktop entry, by which a desktop shows the windows and notifications as Parlo's.
void useApplicationIcon();
