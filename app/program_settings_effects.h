#pragma once
#include "app/fps_timer.h"
#include "app/mouse_state.h"
#include "app/settings.h"

#include <functional>

namespace quorva {

// What applying settings changes in the running program: the frame-rate limit, the system
// cursor, and the main screen's mute-level control (installed by the screen once built).
class ProgramSettingsEffects final : public SettingsEffects {
public:
    ProgramSettingsEffects(FpsTimer& fpsTimer, MouseState& mouse) : fpsTimer_(fpsTimer), mouse_(mouse) {}

    void setFpsLimit(uint32_t framesPerSecond) override { fpsTimer_.setLimit(framesPerSecond); }
    void showSystemCursor(bool shown) override { mouse_.setSystemCursor(shown); }
    void setMuteLevelControl(uint8_t level) override
    {
        if (muteLevelControl) {
            muteLevelControl(level);
        }
    }

    std::function<void(uint8_t)> muteLevelControl;

private:
    FpsTimer& fpsTimer_;
    MouseState& mouse_;
};

}  // namespace quorva
