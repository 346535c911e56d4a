#pragma once
// The player's keys, whatever page shows, and the help page that lists them.
#include "app/main_window.h"
#include "ui/main_screen.h"

#include <cstdint>

namespace quorva {

class PlaylistPlayer;
class WindowModeSwitch;

// The keys of the player, each frame before the widgets; the playlist's place and repeat
// mode in the empty row under the progress bar; and, on F1, the help page over the body.
class PlayerKeys final : public ScreenExtras {
public:
    // The help page's rectangle: the page body.
    static constexpr Rect helpRect = MainScreen::viewRect;
    // Where the playlist's line goes: the row below the progress bar, empty in the design.
    static constexpr int32_t statusX = 3;
    static constexpr int32_t statusY = 448;

    PlayerKeys(MainScreen& screen, WindowModeSwitch& modeSwitch, PlaylistPlayer& playlist)
        : screen_(screen), modeSwitch_(modeSwitch), playlist_(playlist)
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
    void changeVolume(int32_t percent);
    void drawStatusLine();
    void drawHelp();

    MainScreen& screen_;
    WindowModeSwitch& modeSwitch_;
    PlaylistPlayer& playlist_;
    bool helpShown_ = false;
};

}  // namespace quorva
