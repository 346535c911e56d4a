#pragma once
#include "platform/window.h"

namespace quorva {

// Alt+Enter toggles between the window and full screen, once per press of the two keys.
class WindowModeSwitch {
public:
    explicit WindowModeSwitch(PlatformWindow& window) : window_(window) {}

    void check();
    // Switches the other way at once (a key of its own, such as F11).
    void toggle();
    // Back to the window when in full screen; nothing otherwise.
    void leaveFullScreen();
    bool fullScreen() const { return fullScreen_; }

private:
    PlatformWindow& window_;
    bool keysHeld_ = false;
    bool fullScreen_ = false;
};

}  // namespace quorva
