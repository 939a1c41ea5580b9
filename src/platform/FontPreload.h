#pragma once

#include <thread>

// Reads the system's font configuration on a thread of its own while the application object is
// made. The first font a program asks for makes fontconfig parse its XML configuration and load
// the list of installed fonts: the largest single part of a start, which a second core can do
// while the first connects to the display. Made before the application object; wait() before
// the first window, so that Qt finds the configuration read rather than reading it again
// alongside (which is safe, only wasted).
class FontPreload
{
public:
    FontPreload();
    ~FontPreload();
    FontPreload(const FontPreload &) = delete;
    FontPreload &operator=(const FontPreload &) = delete;

    void wait();

private:
    std::thread m_thread;
};
