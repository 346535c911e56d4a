#pragma once
// The playback panel's progress bar as a seek control: a left press on the bar (or a few
// pixels around it) grabs it, the bar follows the pointer while the button is held, and
// playback jumps there when the button is let go, so one drag costs one seek.
#include "gfx/surface.h"

#include <cstdint>
#include <optional>

namespace quorva {

struct ScreenContext;

struct ProgressSeek {
    static constexpr Rect bar{4, 430, 164, 434};
    static constexpr int32_t grabMargin = 4;

    // Reads the mouse; seeks on release.
    void update(const ScreenContext& context);
    // Where the bar shows the position while it is dragged, in ms of the song.
    std::optional<uint32_t> draggedMs() const { return dragging_ ? std::optional<uint32_t>(dragMs_) : std::nullopt; }

private:
    bool dragging_ = false;
    uint32_t dragMs_ = 0;
};

}  // namespace quorva
