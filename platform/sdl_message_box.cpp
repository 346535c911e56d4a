#include "platform/sdl_message_box.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace quorva {

namespace {

// A dialog needs a real display; the headless drivers have none.
bool displayAvailable()
{
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (driver != nullptr && (SDL_strcasecmp(driver, "dummy") == 0 || SDL_strcasecmp(driver, "offscreen") == 0)) {
        return false;
    }
    return std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
}

}  // namespace

void SdlMessageBox::show(std::string_view text)
{
    const std::string message(text);
    std::fprintf(stderr, "%s\n", message.c_str());
    std::fflush(stderr);
    if (displayAvailable()) {
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, "", message.c_str(), nullptr);
    }
}

}  // namespace quorva
