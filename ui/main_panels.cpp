// The fixed panels of the main screen, redrawn completely every frame: the knob bar, the
// playback panel, the song texts, the lamps and the sixteen channel rows.
#include "app/instrument_names.h"
#include "app/song_loader.h"
#include "gfx/bitmap_font.h"
#include "gfx/drawers.h"
#include "platform/text_renderer.h"
#include "song/channel_monitor.h"
#include "song/sequencer.h"
#include "song/smf_file.h"
#include "song/text_encoding.h"
#include "ui/main_screen.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

namespace quorva {

namespace {

constexpr Pixel progressDone = 0x7E94;
constexpr Pixel progressToGo = 0x3DEF;
constexpr Pixel barWell = 0x4210;
constexpr int32_t rowHeight = 20;
constexpr int32_t channelPanelWidth = 212;
// The instrument name stands in the cell left of the controller values: 12 cells of the
// 6-pixel font from x 26, so that a longer name (a user's own inst.dat) is cut, not drawn
// under the bars.
constexpr size_t nameColumnCharacters = 12;
// The song texts: one row each from (318, 392), 20 pixels apart, in the operating-system
// font. A row shows what fits of a text's first bytes, and the lyric line's part still to
// sing is dimmer than the sung part.
constexpr int32_t songTextX = 318;
constexpr int32_t songTextY = 392;
constexpr size_t songTextBytes = 512;
constexpr uint32_t songTextColour = 0xE0E0E0;
constexpr uint32_t unsungTextColour = 0x8C8C8C;

// Repeats the band (left, top, width x height) of the surface `copies` times downward with one
// top-row-first copy that overlaps itself.
void repeatBand(Surface& surface, int32_t left, int32_t top, int32_t width, int32_t height, int32_t copies)
{
    const Sprite band = Sprite::cut(surface, left, top, width, height * copies);
    blitUnclipped(surface, band, left, top + height);
}

// "mm'ss"cc / mm'ss"cc": the position and the length in minutes, seconds and hundredths.
void formatTime(char* out, size_t size, uint32_t positionMs, uint32_t lengthMs)
{
    std::snprintf(out, size, "%02u'%02u\"%02u / %02u'%02u\"%02u", positionMs / 60000, positionMs % 60000 / 1000,
                  positionMs % 1000 / 10, lengthMs / 60000, lengthMs % 60000 / 1000, lengthMs % 1000 / 10);
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
    renderer.drawText(target, x, y, "cannot play \"" + std::string(fileNameOf(song.failedPath())) + "\"", songTextColour);
    renderer.drawText(target, x, y + rowHeight, songLoadReason(song.loadError()), songTextColour);
}

}  // namespace

void MainScreen::drawPlaybackPanel()
{
    drawTopPanels();
    drawPositionPanel();
    drawTempoPanel();
    PanelDrawer& panels = context_.panelDrawer;
    Surface& surface = context_.surface;
    panels.drawPanel(0, 464, 640, 480);
    blitUnclipped(surface, panelSprites_.channelHeader, 0, 44);
    drawChannelTemplate();
    panels.drawPanel(316, 384, 640, 404);
    repeatBand(surface, 316, 384, 324, rowHeight, 3);
    // Title, copyright, lyric and comment, beside the song texts of drawSongTexts.
    const std::array<int, 4> captions = {0, 4, 5, 6};
    for (int line = 0; line < 4; ++line) {
        blitKeyedUnclipped(surface, panelSprites_.songTextCaptions[captions[line]], 318, 386 + rowHeight * line);
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
        blitKeyedUnclipped(context_.surface, panelSprites_.knobBarCaptions[i], captions[i].first, captions[i].second);
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
        blitKeyedUnclipped(surface, panelSprites_.playbackCaptions[i], captions[i].first, captions[i].second);
    }

    const Sequencer& sequencer = context_.sequencer;
    const SmfFile& song = context_.sequencer.song();
    const BitmapFont& font = context_.fonts.txnm;
    const PlayReadout& readout = player_.readout;
    const uint32_t elapsed = sequencer.elapsedMs(readout);
    char text[64];
    formatTime(text, sizeof text, elapsed, song.endMs());
    font.drawText(surface, 3, 392, text);
    std::snprintf(text, sizeof text, "%04u/%04u", sequencer.currentMeasure(readout), song.measureCount());
    font.drawText(surface, 3, 408, text);
    std::snprintf(text, sizeof text, "%02u/%02u", sequencer.currentBeat(readout), unsigned{readout.meterNumerator});
    font.drawText(surface, 67, 408, text);
    const uint32_t division = song.division();
    const uint32_t tick = player_.playing && division != 0 ? player_.position % division : 0;
    std::snprintf(text, sizeof text, "%04u/%04u", tick, division);
    font.drawText(surface, 108, 408, text);

    // The done part ends at x 164 when the position reaches the song's length; a position a
    // little past the length (the stop comes on the tick after the end) must not overshoot it.
    const int64_t positionMs = progressSeek_.draggedMs() ? *progressSeek_.draggedMs() : player_.playing ? elapsed : 0;
    const int64_t lengthMs = (player_.playing || progressSeek_.draggedMs()) && song.endMs() != 0 ? song.endMs() : 1;
    const int32_t doneEnd = static_cast<int32_t>(std::clamp<int64_t>(positionMs * 160 / lengthMs + 4, 4, 164));
    surface.fillRect({4, 430, doneEnd, 434}, progressDone);
    surface.fillRect({doneEnd, 430, 164, 434}, progressToGo);
}

void MainScreen::drawTempoPanel()
{
    PanelDrawer& panels = context_.panelDrawer;
    Surface& surface = context_.surface;
    panels.drawPanel(168, 384, 316, 416);
    panels.drawPanel(168, 416, 316, 440);
    panels.drawPanel(168, 440, 220, 464);
    blitKeyedUnclipped(surface, panelSprites_.knobBarCaptions[1], 171, 386);
    blitKeyedUnclipped(surface, panelSprites_.playbackCaptions[5], 237, 386);

    const BitmapFont& font = context_.fonts.txnm;
    const PlayReadout& readout = player_.readout;
    const uint32_t tempo = readout.tempo;
    // Whole beats per minute, as the integer quotient; a tempo of 0 (a broken song) shows 0.0.
    const uint32_t beatsPerMinute = player_.playing && tempo != 0 ? 60000000u / tempo : 0;
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(beatsPerMinute));
    font.drawText(surface, 171, 392, text);
    const uint8_t power = readout.meterDenominatorPower;
    const unsigned denominator = power < 31 ? 1u << power : 0;
    std::snprintf(text, sizeof text, "%02u/%02u", unsigned{readout.meterNumerator}, denominator);
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
    const SmfFile& song = context_.sequencer.song();
    // A song loading on the loader's thread takes the comment's row while the song before
    // plays on.
    const bool loading = songLoader_ != nullptr && songLoader_->loading();
    if (loading) {
        const uint32_t percent = std::min<uint32_t>(songLoader_->progressPermille(), 1000) / 10;
        const std::string line = "loading \"" + std::string(fileNameOf(songLoader_->path())) + "\" " +
                                 std::to_string(percent) + "%";
        renderer->drawText(target, songTextX, songTextY + rowHeight * 3, line, songTextColour);
    }
    if (!song.loaded() && song.loadError() != SongLoadError::None) {
        drawLoadFailure(*renderer, target, song, songTextX, songTextY);
        return;
    }
    // A lost output is told in the last row for a while, in place of the song's text.
    const std::string outputNotice = outputWatch_ ? outputWatch_->notice() : std::string();
    // Rows 0, 1 and 3; row 2 is the lyric line.
    const std::array<std::pair<int32_t, const char*>, 3> rows = {
        {{0, song.title()}, {1, song.notice()}, {3, outputNotice.empty() ? song.text() : nullptr}}};
    for (const auto& [row, text] : rows) {
        if (text != nullptr && text[0] != '\0' && !(loading && row == 3)) {
            const std::string_view shown = std::string_view(text).substr(0, songTextBytes);
            renderer->drawText(target, songTextX, songTextY + rowHeight * row, songTextToUtf8(shown), songTextColour);
        }
    }
    if (!outputNotice.empty()) {
        renderer->drawText(target, songTextX, songTextY + rowHeight * 3, outputNotice, songTextColour);
    }
    drawLyricLine(*renderer, target, songTextY + rowHeight * 2);
}

void MainScreen::drawLyricLine(TextRenderer& renderer, const TextTarget& target, int32_t y)
{
    const SmfFile& song = context_.sequencer.song();
    const LyricLines& lines = song.lyricLines();
    if (lines.syllableCount() == 0) {
        const char* lyric = song.lyric();
        if (lyric != nullptr && lyric[0] != '\0') {
            const std::string_view shown = std::string_view(lyric).substr(0, songTextBytes);
            renderer.drawText(target, songTextX, y, songTextToUtf8(shown), songTextColour);
        }
        return;
    }
    // The whole line of the syllable sung last: the part sung so far, then the rest dimmer.
    const LyricLines::Progress progress = lines.progress(song.sungSyllable());
    const std::string sung = textToUtf8(progress.sung.substr(0, songTextBytes), lines.encoding());
    const std::string rest = textToUtf8(progress.rest.substr(0, songTextBytes), lines.encoding());
    const int32_t sungWidth = renderer.drawText(target, songTextX, y, sung, songTextColour);
    renderer.drawText(target, songTextX + sungWidth, y, rest, unsungTextColour);
}

void MainScreen::drawLamps()
{
    const ChannelMonitor& monitor = context_.monitor;
    const std::array<bool, 3> seen = {monitor.gmSeen, monitor.gsSeen, monitor.xgSeen};
    for (int lamp = 0; lamp < modeLampCount; ++lamp) {
        const Sprite& image = seen[lamp] ? panelSprites_.modeLampsOn[lamp] : panelSprites_.modeLampsOff[lamp];
        blitUnclipped(context_.surface, image, 220 + 32 * lamp, 440);
    }
}

void MainScreen::drawChannelPanel()
{
    for (int channel = 0; channel < ChannelMonitor::channelCount; ++channel) {
        drawChannelRow(channel, notes_.peak(channel));
    }
}

void MainScreen::drawChannelRow(int channel, int32_t peak)
{
    Surface& surface = context_.surface;
    const FontSet& fonts = context_.fonts;
    const ChannelState& state = context_.monitor.channels[channel];
    // Everything in the row is placed from this line, 6 rows below the row's top.
    const int32_t anchorY = 70 + rowHeight * channel;
    char text[32];

    std::snprintf(text, sizeof text, "%03u  %03u %03u", unsigned{state.program}, unsigned{state.bankMsb},
                  unsigned{state.bankLsb});
    fonts.txnm.drawText(surface, 26, anchorY - 5, text);
    const std::string_view name = state.rhythm ? std::string_view("DrumSet")
                                               : std::string_view(context_.instruments.name(static_cast<uint8_t>(state.program - 1)));
    fonts.txnm.drawText(surface, 26, anchorY + 3, name.substr(0, nameColumnCharacters));

    const std::array<Pixel, 16>& levelRamp = panelSprites_.levelRamp;
    const int64_t level = (static_cast<int64_t>(peak) * state.expression * state.volume * 98) >> 21;
    const int32_t meterLength = static_cast<int32_t>(std::clamp<int64_t>(level, 0, 95));
    surface.fillRect({1, anchorY + 12, meterLength + 1, anchorY + 13}, levelRamp[meterLength * 15 / 98]);

    const std::array<uint8_t, 3> sends = {state.reverb, state.chorus, state.controller94};
    for (int send = 0; send < 3; ++send) {
        std::snprintf(text, sizeof text, "%3u", unsigned{sends[send]});
        fonts.txsm.drawText(surface, 181, anchorY - 4 + 6 * send, text);
    }

    const auto lamp = [this](bool on) -> const Sprite& { return on ? sprites_.lampOn : sprites_.lampOff; };
    blitKeyedUnclipped(surface, lamp(state.hold), 206, anchorY - 1);
    blitKeyedUnclipped(surface, lamp(state.sostenuto), 206, anchorY + 8);
    blitKeyedUnclipped(surface, lamp(state.portamento), 199, anchorY - 1);
    blitKeyedUnclipped(surface, lamp(state.soft), 199, anchorY + 8);

    const std::array<uint8_t, 3> bars = {state.volume, state.expression, state.modulation};
    for (int bar = 0; bar < 3; ++bar) {
        const int32_t value = std::min<int32_t>(bars[bar], 127);
        const int32_t barTop = anchorY - 5 + 6 * bar;
        surface.fillRect({116, barTop, 116 + 22 * value / 127, barTop + 5}, levelRamp[15 * value / 127]);
        std::snprintf(text, sizeof text, "%3d", value);
        fonts.txsm.drawText(surface, 103, barTop, text);
    }

    // Pan and pitch bend grow from the middle (x 164) toward their side.
    const std::array<uint8_t, 2> centred = {state.pan, state.pitchBend};
    for (int bar = 0; bar < 2; ++bar) {
        const int32_t value = std::min<int32_t>(centred[bar], 127);
        const int32_t fromCentre = value - 64;
        const int32_t barTop = anchorY - 5 + 6 * bar;
        int32_t left = 164;
        int32_t right = 165 + 22 * fromCentre / 127;
        if (fromCentre < 0) {
            left = 164 + (11 * fromCentre) / 64;
            right = left - (22 * fromCentre) / 127 + 1;
        }
        surface.fillRect({left, barTop, right, barTop + 5}, panelSprites_.centredRamp[15 * value / 127]);
        std::snprintf(text, sizeof text, "%3d", fromCentre);
        fonts.txsm.drawText(surface, 140, barTop, text);
    }
}

}  // namespace quorva
