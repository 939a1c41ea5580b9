#pragma once

#include <QObject>

#include <functional>

class QWidget;

// The character code of Enter (and Return) as a key handler receives it.
constexpr int keyEnter = 13;

// Calls handler with the character code of every key typed into box (keyEnter for Enter), before
// the box itself receives the key; the key is neither changed nor swallowed.
void onKeyPress(QWidget *box, std::function<void(int KeyAscii)> handler);
