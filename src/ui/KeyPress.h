#pragma once

#include <QObject>

#include <functional>

class QWidget;

// Calls handler with the character code of every key typed into box (13 for Enter), before
// the box itself receives the key; the key is neither changed nor swallowed.
void onKeyPress(QWidget *box, std::function<void(int KeyAscii)> handler);
