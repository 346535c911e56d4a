#include "app/window_size.h"

#include <string>

namespace quorva {

namespace {

// Larger than any display: a larger number cannot be a size the player wrote.
constexpr int32_t largestSide = 16384;

bool fits(WindowSize size, std::optional<WindowSize> room)
{
    return !room || (size.width <= room->width && size.height <= room->height);
}

}  // namespace

std::optional<WindowSize> rememberedWindowSize(const PlayerConfig& config)
{
    const auto width = config.number(windowSizeKeys::width, 1, largestSide);
    const auto height = config.number(windowSizeKeys::height, 1, largestSide);
    if (!width || !height) {
        return std::nullopt;
    }
    return WindowSize{*width, *height};
}

bool rememberWindowSize(PlayerConfig& config, WindowSize size)
{
    if (size.width <= 0 || size.height <= 0 || rememberedWindowSize(config) == size) {
        return false;
    }
    config.set(windowSizeKeys::width, std::to_string(size.width));
    config.set(windowSizeKeys::height, std::to_string(size.height));
    return true;
}

WindowSize startWindowSize(WindowSize picture, std::optional<WindowSize> remembered, std::optional<WindowSize> room)
{
    if (remembered && fits(*remembered, room)) {
        return *remembered;
    }
    const WindowSize doubled{picture.width * 2, picture.height * 2};
    return room && fits(doubled, room) ? doubled : picture;
}

}  // namespace quorva
