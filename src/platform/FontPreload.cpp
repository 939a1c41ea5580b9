#include "FontPreload.h"

#include <fontconfig/fontconfig.h>

#include <system_error>

FontPreload::FontPreload()
{
    try {
        m_thread = std::thread([] { FcInit(); });
    } catch (const std::system_error &) {
        // No thread to spare: Qt reads the configuration itself when it first needs a font.
    }
}

FontPreload::~FontPreload()
{
    wait();
}

void FontPreload::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}
