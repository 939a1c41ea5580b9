#pragma once

// Whether the user's session has a D-Bus bus to talk to: an address in the environment, or the
// socket in the runtime folder. Without one, libdbus would try to start a bus of its own, so
// callers use the bus only when this says it exists.
bool sessionBusExists();

class QString;

// Hands the token a notification service gave with an action to the next window that asks for
// the focus, as Wayland's xdg-activation needs; an empty token does nothing.
void useActivationToken(const QString &token);
