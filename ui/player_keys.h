#pragma once
// The player's keys, whatever page shows, and the help page that lists them.
#include "app/main_window.h"
#include "ui/main_screen.h"

#include <cstdint>
#include <optional>

namespace quorva {

class MasterVolume;
class PlaylistPlayer;
class WindowModeSwitch;

// The keys of the player, each frame before the widgets; the playlist's place and repeat
// mode in the empty row under the progress bar, with the master volume for a moment after it
// changes (whoever changed it); and, on F1, the help page over the body.
class PlayerKeys final : public ScreenExtras {
public:
    // The help page's rectangle: the page body.
    static constexpr Rect helpRect = MainScreen::viewRect;
    // Where the playlist's line goes: the row below the progress bar, otherwise empty.
    static constexpr int32_t statusX = 3;
    static constexpr int32_t statusY = 448;

    // How long the volume shows after a change.
    static constexpr uint32_t volumeShownMs = 1500;

    PlayerKeys(MainScreen& screen, WindowModeSwitch& modeSwitch, PlaylistPlayer& playlist, MasterVolume& volume)
        : screen_(screen), modeSwitch_(modeSwitch), playlist_(playlist), volume_(volume)
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
    void watchVolume();
    void drawStatusLine();
    void drawHelp();

    MainScreen& screen_;
    WindowModeSwitch& modeSwitch_;
    PlaylistPlayer& playlist_;
    MasterVolume& volume_;
    bool helpShown_ = false;
    std::optional<int32_t> seenVolume_;  // nothing before the first frame
    uint32_t volumeChangedMs_ = 0;
    bool volumeShown_ = false;
};

}  // namespace quorva
