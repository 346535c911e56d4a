#pragma once
#include "platform/window.h"

namespace quorva {

// Alt+Enter toggles between the window and full screen, once per press of the two keys.
class WindowModeSwitch {
public:
    explicit WindowModeSwitch(PlatformWindow& window) : window_(window) {}

    void check();
    bool fullScreen() const { return fullScreen_; }

private:
    PlatformWindow& window_;
    bool keysHeld_ = false;
    bool fullScreen_ = false;
};

}  // namespace quorva
