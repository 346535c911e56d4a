#pragma once
#include "app/frame_screen.h"
#include "app/output_watch.h"
#include "gfx/surface.h"
#include "song/sequencer.h"
#include "ui/callback_list.h"
#include "ui/channel_buttons.h"
#include "ui/controls.h"
#include "ui/note_snapshot.h"
#include "ui/progress_seek.h"
#include "ui/screen_context.h"
#include "ui/skin_sprites.h"
#include "ui/view.h"
#include "ui/widgets.h"

#include <array>
#include <cstdint>

namespace quorva {

class SongLoader;
class TextRenderer;
struct TextTarget;

// The player as one frame sees it, taken at the start of each update pass: the readout of
// the last tick, and what the frame needs besides.
struct PlayerSnapshot {
    PlayReadout readout;
    bool playing = false;
    uint32_t position = 0;  // the readout's position in whole ticks; 0 unless playing
};

// What the player adds to the screen beyond its fixed widgets (keys, a page drawn over the
// body), run at the start of each update pass and drawn last.
class ScreenExtras {
public:
    virtual ~ScreenExtras() = default;
    // True when the extras take this frame's mouse and keep it from the widgets and the page.
    virtual bool update() = 0;
    virtual void draw() = 0;
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
    // Extras run with every frame; none by default.
    void setExtras(ScreenExtras* extras) { extras_ = extras; }
    // What the song text area says of a lost output, if anything.
    void setOutputWatch(const OutputWatch* watch) { outputWatch_ = watch; }
    // The loader whose song in flight the song texts show, with its progress; none by default.
    void setSongLoader(const SongLoader* loader) { songLoader_ = loader; }
    // The mute level knob from the settings' default mute level index 0..6.
    void setMuteKnob(uint8_t settingsIndex) { controls_.setMuteKnob(settingsIndex); }

    CallbackList& updateList() { return updateList_; }
    CallbackList& drawList() { return drawList_; }
    ScreenHook& updateHook() { return updateHook_; }
    ScreenHook& drawHook() { return drawHook_; }
    ScrollBar& keyboardScrollBar() { return keyboardScrollBar_; }
    const SkinSprites& sprites() const { return sprites_; }
    const ScreenContext& context() const { return context_; }
    const PlayerSnapshot& player() const { return player_; }
    // The sounding notes as this frame's draw pass took them, before it drew anything.
    const NoteSnapshot& notes() const { return notes_; }

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

    void takePlayerSnapshot();
    void drawPlaybackPanel();
    void drawTopPanels();
    void drawPositionPanel();
    void drawTempoPanel();
    void drawChannelTemplate();
    void drawSongTexts();
    void drawLyricLine(TextRenderer& renderer, const TextTarget& target, int32_t y);
    void drawLamps();
    void drawChannelPanel();
    void drawChannelRow(int channel, int32_t peak);

    ScreenContext context_;
    ScreenExtras* extras_ = nullptr;
    const OutputWatch* outputWatch_ = nullptr;
    const SongLoader* songLoader_ = nullptr;
    uint8_t mode_ = 0;
    View* currentView_ = nullptr;
    ScreenHook updateHook_;
    ScreenHook drawHook_;
    ScrollBar keyboardScrollBar_;
    CallbackList updateList_;
    CallbackList drawList_;
    SkinSprites sprites_;
    PanelSprites panelSprites_;
    PlayerSnapshot player_;
    NoteSnapshot notes_;

    PanelPage panelPage_{*this};
    std::array<View*, pageCount> pages_{};
    std::array<ChannelButton, 16> channelButtons_;
    Controls controls_;
    ProgressSeek progressSeek_;
};

}  // namespace quorva
