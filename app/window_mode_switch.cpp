#include "app/window_mode_switch.h"

namespace quorva {

void WindowModeSwitch::check()
{
    if (!window_.altEnterHeld()) {
        keysHeld_ = false;
        return;
    }
    if (keysHeld_) {
        return;
    }
    keysHeld_ = true;
    toggle();
}

void WindowModeSwitch::toggle()
{
    // A switch that fails is not reported; the mode flag flips all the same, so the next
    // press tries the other way.
    window_.setFullScreen(!fullScreen_);
    fullScreen_ = !fullScreen_;
}

void WindowModeSwitch::leaveFullScreen()
{
    if (fullScreen_) {
        toggle();
    }
}

}  // namespace quorva
