// The fixed panels of the main screen, redrawn completely every frame: the knob bar, the
// playback panel, the song texts, the lamps and the sixteen channel rows.
#include "app/instrument_names.h"
#include "gfx/bitmap_font.h"
#include "gfx/drawers.h"
#include "platform/text_renderer.h"
#include "song/channel_monitor.h"
#include "song/sequencer.h"
#include "song/smf_file.h"
#include "ui/main_screen.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace quorva {

namespace {

constexpr Pixel progressDone = 0x7E94;
constexpr Pixel progressToGo = 0x3DEF;
constexpr Pixel barWell = 0x4210;
constexpr int32_t rowHeight = 20;
constexpr int32_t channelPanelWidth = 212;

// Sprites laid side by side from x = 0 on one skin row, 5 pixels high.
template <size_t N>
void cutStrip(std::array<Sprite, N>& strip, const Surface& skin, int32_t y, const std::array<int32_t, N>& widths)
{
    int32_t x = 0;
    for (size_t i = 0; i < N; ++i) {
        strip[i] = Sprite::cut(skin, x, y, widths[i], 5);
        x += widths[i];
    }
}

Pixel skinPixel(const Surface& skin, int32_t x, int32_t y)
{
    return x < skin.width() && y < skin.height() ? skin.at(x, y) : Pixel{0};
}

// Repeats the band (left, top, width x height) of the surface `copies` times downward with one
// top-row-first copy that overlaps itself.
void repeatBand(Surface& surface, int32_t left, int32_t top, int32_t width, int32_t height, int32_t copies)
{
    const Sprite band = Sprite::cut(surface, left, top, width, height * copies);
    blitUnclipped(surface, band, left, top + height);
}

void formatTime(char* out, size_t size, uint32_t p, uint32_t length)
{
    std::snprintf(out, size, "%02u'%02u\"%02u / %02u'%02u\"%02u", p / 60000, p % 60000 / 1000, p % 1000 / 10,
                  length / 60000, length % 60000 / 1000, length % 1000 / 10);
}

// The last part of a path ("dir/" gives "dir").
std::string_view fileNameOf(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/') {
        path.remove_suffix(1);
    }
    const size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos || path.size() == 1 ? path : path.substr(slash + 1);
}

// Where the song's texts would stand: the file that could not be loaded, and why.
void drawLoadFailure(TextRenderer& renderer, const TextTarget& target, const SmfFile& song, int32_t x, int32_t y)
{
    renderer.drawUtf8Text(target, x, y, "cannot play \"" + std::string(fileNameOf(song.failedPath())) + "\"");
    renderer.drawUtf8Text(target, x, y + rowHeight, songLoadReason(song.loadError()));
}

}  // namespace

void MainScreen::cutPanelSprites()
{
    const Surface& skin = context_.skin;
    channelHeader_ = Sprite::cut(skin, 0, 68, channelPanelWidth, rowHeight);
    cutStrip<7>(stripA_, skin, 88, {17, 17, 31, 31, 33, 17, 33});
    cutStrip<6>(stripB_, skin, 93, {27, 21, 19, 19, 15, 19});
    cutStrip<6>(stripC_, skin, 98, {15, 11, 14, 13, 29, 31});
    for (int i = 0; i < 3; ++i) {
        lampsOn_[i] = Sprite::cut(skin, 200 + 32 * i, 128, 32, 24);
        lampsOff_[i] = Sprite::cut(skin, 200 + 32 * i, 152, 32, 24);
    }
    for (int i = 0; i < 16; ++i) {
        meterRamp_[i] = skinPixel(skin, 64 + i, 0);
        centredRamp_[i] = skinPixel(skin, 64 + i, 1);
    }
}

void MainScreen::drawPlaybackPanel()
{
    drawTopPanels();
    drawPositionPanel();
    drawTempoPanel();
    PanelDrawer& panels = context_.panelDrawer;
    Surface& surface = context_.surface;
    panels.drawPanel(0, 464, 640, 480);
    blitUnclipped(surface, channelHeader_, 0, 44);
    drawChannelTemplate();
    panels.drawPanel(316, 384, 640, 404);
    repeatBand(surface, 316, 384, 324, rowHeight, 3);
    const std::array<int, 4> captions = {0, 4, 5, 6};
    for (int i = 0; i < 4; ++i) {
        blitKeyedUnclipped(surface, stripA_[captions[i]], 318, 386 + rowHeight * i);
    }
    drawSongTexts();
    drawLamps();
}

void MainScreen::drawTopPanels()
{
    PanelDrawer& panels = context_.panelDrawer;
    panels.drawPanel(384, 0, 640, 16);
    panels.drawPanel(0, 16, 640, 44);
    const std::array<std::pair<int32_t, int32_t>, 6> captions = {
        {{11, 18}, {49, 18}, {87, 26}, {110, 18}, {137, 18}, {170, 18}}};
    for (size_t i = 0; i < captions.size(); ++i) {
        blitKeyedUnclipped(context_.surface, stripB_[i], captions[i].first, captions[i].second);
    }
}

void MainScreen::drawPositionPanel()
{
    PanelDrawer& panels = context_.panelDrawer;
    Surface& surface = context_.surface;
    panels.drawPanel(632, 44, 640, 384);
    panels.drawPanel(0, 384, 168, 416);
    panels.drawPanel(0, 416, 168, 440);
    panels.drawPanel(0, 440, 168, 464);
    const std::array<std::pair<int32_t, int32_t>, 5> captions = {{{3, 386}, {3, 402}, {67, 402}, {108, 402}, {3, 418}}};
    for (size_t i = 0; i < captions.size(); ++i) {
        blitKeyedUnclipped(surface, stripC_[i], captions[i].first, captions[i].second);
    }

    const Sequencer& sequencer = context_.sequencer;
    const SmfFile& song = context_.song;
    const BitmapFont& font = context_.fonts.txnm;
    const uint32_t elapsed = sequencer.elapsedMs(readout_);
    char text[64];
    formatTime(text, sizeof text, elapsed, song.endMs());
    font.drawText(surface, 3, 392, text);
    std::snprintf(text, sizeof text, "%04u/%04u", sequencer.currentMeasure(readout_), song.measureCount());
    font.drawText(surface, 3, 408, text);
    std::snprintf(text, sizeof text, "%02u/%02u", sequencer.currentBeat(readout_), unsigned{player_.meterNumerator});
    font.drawText(surface, 67, 408, text);
    const uint32_t division = song.division();
    const uint32_t tick = player_.playing && division != 0 ? player_.position % division : 0;
    std::snprintf(text, sizeof text, "%04u/%04u", tick, division);
    font.drawText(surface, 108, 408, text);

    // The done part ends at x 164 when the position reaches the song's length; a position a
    // little past the length (the stop comes on the tick after the end) must not overshoot it.
    const int64_t p = player_.playing ? elapsed : 0;
    const int64_t length = player_.playing && song.endMs() != 0 ? song.endMs() : 1;
    const int32_t m = static_cast<int32_t>(std::clamp<int64_t>(p * 160 / length + 4, 4, 164));
    surface.fillRect({4, 430, m, 434}, progressDone);
    surface.fillRect({m, 430, 164, 434}, progressToGo);
}

void MainScreen::drawTempoPanel()
{
    PanelDrawer& panels = context_.panelDrawer;
    Surface& surface = context_.surface;
    panels.drawPanel(168, 384, 316, 416);
    panels.drawPanel(168, 416, 316, 440);
    panels.drawPanel(168, 440, 220, 464);
    blitKeyedUnclipped(surface, stripB_[1], 171, 386);
    blitKeyedUnclipped(surface, stripC_[5], 237, 386);

    const BitmapFont& font = context_.fonts.txnm;
    const uint32_t tempo = readout_.tempo;
    // Whole beats per minute, as the integer quotient; a tempo of 0 (a broken song) shows 0.0.
    const uint32_t beatsPerMinute = player_.playing && tempo != 0 ? 60000000u / tempo : 0;
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(beatsPerMinute));
    font.drawText(surface, 171, 392, text);
    const uint8_t power = player_.meterDenominatorPower;
    const unsigned denominator = power < 31 ? 1u << power : 0;
    std::snprintf(text, sizeof text, "%02u/%02u", unsigned{player_.meterNumerator}, denominator);
    font.drawText(surface, 237, 392, text);
}

void MainScreen::drawChannelTemplate()
{
    PanelDrawer& panels = context_.panelDrawer;
    Surface& surface = context_.surface;
    panels.drawPanel(0, 64, 23, 81);
    panels.drawPanel(23, 64, 100, 81);
    panels.drawPanel(100, 64, 178, 84);
    panels.drawPanel(178, 64, 195, 84);
    panels.drawPanel(195, 64, 212, 84);
    surface.fillRect({0, 81, 100, 84}, panels.bodyColour());
    for (int32_t y : {65, 71, 77}) {
        surface.fillRect({116, y, 138, y + 5}, barWell);
    }
    for (int32_t y : {65, 71}) {
        surface.fillRect({153, y, 175, y + 5}, barWell);
    }
    repeatBand(surface, 0, 64, channelPanelWidth, rowHeight, ChannelMonitor::channelCount - 1);
}

void MainScreen::drawSongTexts()
{
    TextRenderer* renderer = context_.text;
    if (renderer == nullptr) {
        return;
    }
    Surface& surface = context_.surface;
    const TextTarget target{surface.pixels(), surface.width(), surface.height(), surface.pitch()};
    const SmfFile& song = context_.song;
    if (!song.loaded() && song.loadError() != SongLoadError::None) {
        drawLoadFailure(*renderer, target, song, 318, 392);
        return;
    }
    const std::array<const char*, 4> texts = {song.title(), song.notice(), song.lyric(), song.text()};
    for (size_t i = 0; i < texts.size(); ++i) {
        if (texts[i] != nullptr && texts[i][0] != '\0') {
            renderer->drawText(target, 318, 392 + rowHeight * static_cast<int32_t>(i), texts[i]);
        }
    }
}

void MainScreen::drawLamps()
{
    const ChannelMonitor& monitor = context_.monitor;
    const std::array<bool, 3> seen = {monitor.gmSeen, monitor.gsSeen, monitor.xgSeen};
    for (int i = 0; i < 3; ++i) {
        blitUnclipped(context_.surface, seen[i] ? lampsOn_[i] : lampsOff_[i], 220 + 32 * i, 440);
    }
}

void MainScreen::drawChannelPanel()
{
    std::array<int32_t, ChannelMonitor::channelCount> peaks{};
    {
        Sequencer& sequencer = context_.sequencer;
        std::lock_guard guard(sequencer.lock());
        for (const SoundingNote* note = sequencer.notes().first(); note != nullptr; note = note->next) {
            const int32_t level = static_cast<int32_t>(note->level);
            int32_t& peak = peaks[note->channel & 15];
            peak = std::max(peak, level);
        }
    }
    for (int channel = 0; channel < ChannelMonitor::channelCount; ++channel) {
        drawChannelRow(channel, peaks[channel]);
    }
}

void MainScreen::drawChannelRow(int channel, int32_t peak)
{
    Surface& surface = context_.surface;
    const FontSet& fonts = context_.fonts;
    const ChannelState& state = context_.monitor.channels[channel];
    const int32_t a = 70 + rowHeight * channel;
    char text[32];

    std::snprintf(text, sizeof text, "%03u  %03u %03u", unsigned{state.program}, unsigned{state.bankMsb},
                  unsigned{state.bankLsb});
    fonts.txnm.drawText(surface, 26, a - 5, text);
    if (state.rhythm) {
        fonts.txnm.drawText(surface, 26, a + 3, "DrumSet");
    } else {
        fonts.txnm.drawText(surface, 26, a + 3, context_.instruments.name(static_cast<uint8_t>(state.program - 1)));
    }

    const int64_t level = (static_cast<int64_t>(peak) * state.expression * state.volume * 98) >> 21;
    const int32_t l = static_cast<int32_t>(std::clamp<int64_t>(level, 0, 95));
    surface.fillRect({1, a + 12, l + 1, a + 13}, meterRamp_[l * 15 / 98]);

    const std::array<uint8_t, 3> sends = {state.reverb, state.chorus, state.controller94};
    for (int i = 0; i < 3; ++i) {
        std::snprintf(text, sizeof text, "%3u", unsigned{sends[i]});
        fonts.txsm.drawText(surface, 181, a - 4 + 6 * i, text);
    }

    const auto lamp = [this](bool on) -> const Sprite& { return on ? sprites_.lampOn : sprites_.lampOff; };
    blitKeyedUnclipped(surface, lamp(state.hold), 206, a - 1);
    blitKeyedUnclipped(surface, lamp(state.sostenuto), 206, a + 8);
    blitKeyedUnclipped(surface, lamp(state.portamento), 199, a - 1);
    blitKeyedUnclipped(surface, lamp(state.soft), 199, a + 8);

    const std::array<uint8_t, 3> bars = {state.volume, state.expression, state.modulation};
    for (int i = 0; i < 3; ++i) {
        const int32_t v = std::min<int32_t>(bars[i], 127);
        const int32_t t = a - 5 + 6 * i;
        surface.fillRect({116, t, 116 + 22 * v / 127, t + 5}, meterRamp_[15 * v / 127]);
        std::snprintf(text, sizeof text, "%3d", v);
        fonts.txsm.drawText(surface, 103, t, text);
    }

    const std::array<uint8_t, 2> centred = {state.pan, state.pitchBend};
    for (int i = 0; i < 2; ++i) {
        const int32_t v = std::min<int32_t>(centred[i], 127);
        const int32_t s = v - 64;
        const int32_t t = a - 5 + 6 * i;
        int32_t left = 164;
        int32_t right = 165 + 22 * s / 127;
        if (s < 0) {
            left = 164 + (11 * s) / 64;
            right = left - (22 * s) / 127 + 1;
        }
        surface.fillRect({left, t, right, t + 5}, centredRamp_[15 * v / 127]);
        std::snprintf(text, sizeof text, "%3d", s);
        fonts.txsm.drawText(surface, 140, t, text);
    }
}

}  // namespace quorva
