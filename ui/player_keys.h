#pragma once
// The player's keys, whatever page shows, and the help page that lists them.
#include "app/main_window.h"
#include "ui/main_screen.h"

#include <cstdint>
#include <functional>

namespace quorva {

class WindowModeSwitch;

// What the keys ask of the rest of the player beyond the sequencer and the screen; an
// action left empty makes its key do nothing.
struct KeyActions {
    std::function<void()> previousSong;
    std::function<void()> nextSong;
    std::function<void()> cycleRepeat;
    std::function<void(int32_t)> changeVolume;  // by this many percent
};

class PlayerKeys final : public ScreenExtras {
public:
    // The help page's rectangle: the page body.
    static constexpr Rect helpRect = MainScreen::viewRect;

    PlayerKeys(MainScreen& screen, WindowModeSwitch& modeSwitch, KeyActions actions = {})
        : screen_(screen), modeSwitch_(modeSwitch), actions_(std::move(actions))
    {
    }

    bool update() override;
    void draw() override;

    bool helpShown() const { return helpShown_; }

private:
    void press(const KeyPress& key);
    void playOrPause();
    void stopOrLeaveFullScreen(bool escape);
    // Seeking within the song: the keys are read here; moving the position is not built yet.
    void seekBy(int32_t deltaMs);
    void seekTo(uint32_t positionMs);
    static void call(const std::function<void()>& action);

    MainScreen& screen_;
    WindowModeSwitch& modeSwitch_;
    KeyActions actions_;
    bool helpShown_ = false;
};

}  // namespace quorva
