#include "ui/player_keys.h"

#include "app/mouse_state.h"
#include "app/playlist_player.h"
#include "app/window_mode_switch.h"
#include "gfx/bitmap_font.h"
#include "gfx/drawers.h"
#include "platform/clock.h"
#include "ports/master_volume.h"
#include "song/sequencer.h"

#include <array>
#include <string>
#include <string_view>

namespace quorva {

namespace {

constexpr int32_t volumeStepPercent = 5;
constexpr int32_t seekStepMs = 5000;
constexpr int32_t longSeekStepMs = 30000;

constexpr std::array<std::string_view, 17> helpLines = {
    "KEYS",
    "",
    "SPACE         PLAY / PAUSE",
    "S, ESC        STOP (ESC: LEAVE FULL SCREEN FIRST)",
    "PGUP / PGDN   PREVIOUS / NEXT SONG",
    "R             REPEAT: OFF, ALL, ONE",
    "UP / DOWN     VOLUME +5% / -5%",
    "LEFT / RIGHT  BACK / ON 5 S (SHIFT: 30 S)",
    "HOME          BACK TO THE START",
    "1 - 6         THE SIX PAGES",
    "F11, ALT+ENTER FULL SCREEN",
    "CTRL+Q        QUIT",
    "F1, ?         THIS PAGE",
    "",
    "MOUSE WHEEL OVER A KNOB TURNS IT ONE STEP.",
    "",
    "ANY KEY OR CLICK CLOSES THIS PAGE.",
};

}  // namespace

bool PlayerKeys::update()
{
    const ScreenContext& context = screen_.context();
    const std::vector<KeyPress>& keys = context.window.keys();
    playlist_.frame();
    watchVolume();
    if (helpShown_) {
        const MouseState& mouse = context.mouse;
        if (!keys.empty() || mouse.left() == button::Pressed || mouse.right() == button::Pressed) {
            helpShown_ = false;
        }
        // The click that closes the page is the page's; the widgets under it never see it.
        return true;
    }
    for (const KeyPress& key : keys) {
        press(key);
        if (helpShown_) {
            break;
        }
    }
    return helpShown_;
}

void PlayerKeys::press(const KeyPress& key)
{
    if (key.ctrl) {
        if (key.key == Key::Character && key.character == 'q') {
            screen_.context().window.requestQuit();
        }
        return;
    }
    switch (key.key) {
    case Key::Space: playOrPause(); break;
    case Key::Escape: stopOrLeaveFullScreen(true); break;
    case Key::PageUp: playlist_.previous(); break;
    case Key::PageDown: playlist_.next(); break;
    case Key::Up: changeVolume(volumeStepPercent); break;
    case Key::Down: changeVolume(-volumeStepPercent); break;
    case Key::Left: seekBy(key.shift ? -longSeekStepMs : -seekStepMs); break;
    case Key::Right: seekBy(key.shift ? longSeekStepMs : seekStepMs); break;
    case Key::Home: seekTo(0); break;
    case Key::F1: helpShown_ = true; break;
    // Alt+Enter is the mode switch's own, read from the keys held.
    case Key::F11: modeSwitch_.toggle(); break;
    case Key::Character:
        if (key.alt) {
            break;
        }
        if (key.character >= '1' && key.character <= '0' + MainScreen::pageCount) {
            screen_.setMode(static_cast<uint8_t>(key.character - '0'));
        } else if (key.character == 's') {
            stopOrLeaveFullScreen(false);
        } else if (key.character == 'r') {
            playlist_.cycleRepeat();
        } else if (key.character == '?') {
            helpShown_ = true;
        }
        break;
    case Key::Enter:
    case Key::Other: break;
    }
}

void PlayerKeys::playOrPause()
{
    Sequencer& sequencer = screen_.context().sequencer;
    switch (sequencer.state()) {
    case PlayState::Stopped: sequencer.play(); break;
    case PlayState::Playing: sequencer.pause(); break;
    case PlayState::Paused: sequencer.resume(); break;
    case PlayState::Idle: break;
    }
}

void PlayerKeys::stopOrLeaveFullScreen(bool escape)
{
    if (escape && modeSwitch_.fullScreen()) {
        modeSwitch_.leaveFullScreen();
        return;
    }
    screen_.context().sequencer.stop();
}

void PlayerKeys::seekBy(int32_t deltaMs) { screen_.context().sequencer.seekByMs(deltaMs); }

void PlayerKeys::seekTo(uint32_t positionMs) { screen_.context().sequencer.seekToMs(positionMs); }

void PlayerKeys::changeVolume(int32_t percent) { volume_.change(percent); }

void PlayerKeys::watchVolume()
{
    const uint32_t now = screen_.context().clock.nowMs();
    const int32_t percent = volume_.percent();
    // The volume restored at start-up is no change.
    if (seenVolume_ && *seenVolume_ != percent) {
        volumeChangedMs_ = now;
        volumeShown_ = true;
    }
    seenVolume_ = percent;
    if (volumeShown_ && now - volumeChangedMs_ >= volumeShownMs) {
        volumeShown_ = false;
    }
}

void PlayerKeys::draw()
{
    drawStatusLine();
    if (helpShown_) {
        drawHelp();
    }
}

void PlayerKeys::drawStatusLine()
{
    std::string text = playlist_.positionText();
    // One song without repeat shows nothing: the screen stays as it always was.
    if (playlist_.playlist().size() == 1 && playlist_.playlist().repeat() == RepeatMode::Off) {
        text.clear();
    }
    if (volumeShown_) {
        text += (text.empty() ? "VOL " : "  VOL ") + std::to_string(volume_.percent()) + "%";
    }
    if (text.empty()) {
        return;
    }
    const ScreenContext& context = screen_.context();
    context.fonts.txnm.drawText(context.surface, statusX, statusY, text);
}

void PlayerKeys::drawHelp()
{
    const ScreenContext& context = screen_.context();
    context.panelDrawer.drawPanel(helpRect.left, helpRect.top, helpRect.right, helpRect.bottom);
    constexpr int32_t lineHeight = 12;
    int32_t y = helpRect.top + 16;
    for (std::string_view line : helpLines) {
        const BitmapFont& font = line == helpLines.front() ? context.fonts.txnmbr : context.fonts.txnm;
        font.drawText(context.surface, helpRect.left + 20, y, line);
        y += lineHeight;
    }
}

}  // namespace quorva
