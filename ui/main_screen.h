#pragma once
#include "app/application.h"
#include "gfx/surface.h"
#include "song/sequencer.h"
#include "ui/channel_buttons.h"
#include "ui/controls.h"
#include "ui/screen_context.h"
#include "ui/widgets.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace quorva {

class TimeSignatureEvent;

// The player's state as one frame sees it, copied at the start of each update pass.
struct PlayerCopy {
    bool playing = false;
    uint32_t position = 0;  // ticks, truncated; 0 unless playing
    size_t cursor = 0;      // index of the next event to play in the song's events
    uint32_t meterTick = 0;
    const TimeSignatureEvent* nextTimeSignature = nullptr;
    uint8_t meterNumerator = 4;
    uint8_t meterDenominatorPower = 2;
};

// The one picture the program shows. It owns the widget lists and runs the two passes: the
// fixed panels, the channel rows, the tabs, knobs and transport buttons, then the current
// page (mode 1..6) through its nodes and the two hooks.
class MainScreen final : public FrameScreen {
public:
    static constexpr int pageCount = 6;
    static constexpr Rect viewRect{212, 64, 632, 384};
    static constexpr Rect headerRect{212, 44, 632, 64};

    explicit MainScreen(const ScreenContext& context);
    MainScreen(const MainScreen&) = delete;
    MainScreen& operator=(const MainScreen&) = delete;

    // The page of a mode (1..6), registered before build. A mode without a page shows the
    // panel background in the page body.
    void registerPage(uint8_t mode, View& page);
    // Cuts the shared widget sprites from the skin (start-up, before build).
    void cutSprites() override;
    // Joins every fixed widget to the lists, prepares the pages and shows mode 1.
    void build() override;
    void update() override;
    void draw() override;

    // Switches to the page of the mode; the same mode again does nothing. Modes outside
    // 1..6 are stored but change nothing else.
    void setMode(uint8_t mode);
    uint8_t mode() const { return mode_; }
    View* currentView() const { return currentView_; }
    // The mute level knob from the settings' default mute level index 0..6.
    void setMuteKnob(uint8_t settingsIndex) { controls_.setMuteKnob(settingsIndex); }

    CallbackList& updateList() { return updateList_; }
    CallbackList& drawList() { return drawList_; }
    ScreenHook& updateHook() { return updateHook_; }
    ScreenHook& drawHook() { return drawHook_; }
    ScrollBar& keyboardScrollBar() { return keyboardScrollBar_; }
    const SkinSprites& sprites() const { return sprites_; }
    const ScreenContext& context() const { return context_; }
    const PlayerCopy& player() const { return player_; }

    ChannelButton& channelButton(int channel) { return channelButtons_[channel]; }
    Controls& controls() { return controls_; }

private:
    // What a mode without a registered page shows: the panel background.
    class PanelPage final : public View {
    public:
        explicit PanelPage(MainScreen& screen) : screen_(screen) {}
        void activate() override;
        void deactivate() override {}
        void draw();

    private:
        MainScreen& screen_;
    };

    void copyPlayerState();
    void cutPanelSprites();
    void drawPlaybackPanel();
    void drawTopPanels();
    void drawPositionPanel();
    void drawTempoPanel();
    void drawChannelTemplate();
    void drawSongTexts();
    void drawLamps();
    void drawChannelPanel();
    void drawChannelRow(int channel, int32_t peak);

    ScreenContext context_;
    uint8_t mode_ = 0;
    View* currentView_ = nullptr;
    ScreenHook updateHook_;
    ScreenHook drawHook_;
    ScrollBar keyboardScrollBar_;
    CallbackList updateList_;
    CallbackList drawList_;
    SkinSprites sprites_;
    Sprite channelHeader_;
    std::array<Sprite, 7> stripA_;
    std::array<Sprite, 6> stripB_;
    std::array<Sprite, 6> stripC_;
    std::array<Sprite, 3> lampsOn_;
    std::array<Sprite, 3> lampsOff_;
    std::array<Pixel, 16> meterRamp_{};   // skin row 0 from x 64: meters and plain bars
    std::array<Pixel, 16> centredRamp_{};  // skin row 1 from x 64: pan and pitch-bend bars
    PlayerCopy player_;
    PlayReadout readout_;  // the player's readout of this frame, which player_ is taken from

    PanelPage panelPage_{*this};
    std::array<View*, pageCount> pages_{};
    std::array<ChannelButton, 16> channelButtons_;
    Controls controls_;
};

}  // namespace quorva
