#pragma once

// Show states for a started process, as numbered by the window system Parlo was designed for.
namespace WindowStyle {
constexpr int NormalFocus = 1;      // normal window that gets the focus
constexpr int MinimizedFocus = 2;   // minimized window that gets the focus
constexpr int MinimizedNoFocus = 6; // minimized window that does not get the focus
} // namespace WindowStyle
