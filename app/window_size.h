#pragma once
#include "app/player_config.h"
#include "platform/window.h"

#include <optional>

namespace quorva {

// The window's client size as the player keeps it in its config file.
namespace windowSizeKeys {
constexpr const char* width = "window_width";
constexpr const char* height = "window_height";
}  // namespace windowSizeKeys

// The size kept in the file, when both keys hold a sensible size.
std::optional<WindowSize> rememberedWindowSize(const PlayerConfig& config);
// Keeps the size in the configuration; true when that changed it (the file needs writing).
bool rememberWindowSize(PlayerConfig& config, WindowSize size);

// The size the window opens at: the remembered one where it fits the room on the display,
// else the picture at twice its size where that fits, else the picture's own size.
WindowSize startWindowSize(WindowSize picture, std::optional<WindowSize> remembered, std::optional<WindowSize> room);

}  // namespace quorva
