#include "ui/flow_views.h"

#include "gfx/drawers.h"
#include "song/smf_file.h"

#include <algorithm>
#include <array>

namespace quorva {
namespace {

constexpr int32_t octaveWidth = 84;
constexpr int32_t visibleOctaves = 6;
// Marks are 4 rows high and sit on the lane line y pixels above the keyboard.
constexpr int32_t markBottom = keyboardLine - 4;
constexpr int32_t drumLeft = 314;
constexpr int32_t drumRight = 530;
constexpr Pixel drumBeatColour = 0x294A;
constexpr Pixel drumMeasureColour = 0x5294;
constexpr Pixel lightSeparator = 0x6318;

// The per-channel selection, read once per walk.
template <typename Field>
std::array<bool, ChannelMonitor::channelCount> selectedChannels(const ChannelMonitor& monitor, Field field)
{
    std::array<bool, ChannelMonitor::channelCount> shown{};
    for (int c = 0; c < ChannelMonitor::channelCount; ++c) {
        shown[c] = (monitor.channels[c].*field).load();
    }
    return shown;
}

}  // namespace

GridStart gridStartOf(const MainScreen& screen)
{
    const PlayerSnapshot& player = screen.player();
    const SmfFile& song = screen.context().sequencer.song();
    GridStart start;
    start.position = player.position;
    start.meterTick = player.readout.meterTick;
    start.numerator = player.readout.meterNumerator;
    start.denominatorPower = player.readout.meterDenominatorPower;
    start.nextChange = player.readout.nextTimeSignature;
    start.division = song.division();
    start.pixelsPerTick = pixelsPerTick(screen.context().monitor.flowScale.load(), song.division());
    return start;
}

double updateComingNotes(const MainScreen& screen, ComingNotes& notes, const std::array<bool, 16>& shown)
{
    const SmfFile& song = screen.context().sequencer.song();
    const PlayerSnapshot& player = screen.player();
    const double scale = pixelsPerTick(screen.context().monitor.flowScale.load(), song.division());
    uint16_t channels = 0;
    for (int c = 0; c < 16; ++c) {
        channels |= static_cast<uint16_t>(shown[c] ? 1u << c : 0u);
    }
    notes.update(song.events(), screen.context().sequencer.loadCount(), player.readout.cursor, player.position, scale,
                 channels);
    return scale;
}

void drawKeyboardSeparator(Surface& surface, const SkinSprites& sprites, int32_t left, int32_t right)
{
    surface.fillRect({left, keyboardLine - 4, right, keyboardLine - 3}, sprites.keyboardColours[0]);
    surface.fillRect({left, keyboardLine - 3, right, keyboardLine - 1}, sprites.keyboardColours[1]);
    surface.fillRect({left, keyboardLine - 1, right, keyboardLine}, sprites.keyboardColours[2]);
}

void KeyboardFlowView::prepare()
{
    keyboard_.cut(screen_.context().skin, twelveLanes_ ? flow12Table : flow7Table);
    flow_.cut(screen_.context().skin, twelveLanes_);
}

void KeyboardFlowView::activate()
{
    MusicView::activate();
    joinScrollBar();
}

void KeyboardFlowView::deactivate() { leaveScrollBar(); }

int32_t KeyboardFlowView::glowWeight(uint32_t ageMs, bool released)
{
    const int32_t fading = ageMs < glowMs ? static_cast<int32_t>((3072 - 16 * ageMs) / glowMs) : 0;
    return released ? fading : std::max(fading, 8);
}

int32_t KeyboardFlowView::laneX(int32_t shiftedNote, int32_t offset) const
{
    if (twelveLanes_) {
        return bodyLeft + flow12LaneWidth * shiftedNote - offset;
    }
    return bodyLeft + (shiftedNote / 12) * octaveWidth - offset + flow7GlowOffsets[shiftedNote % 12];
}

void KeyboardFlowView::draw()
{
    Surface& target = surface();
    screen_.context().panelDrawer.drawPanel(bodyLeft, headerTop, bodyRight, scrollBarTop);
    ClipScope clip(target, MainScreen::viewRect);
    const int32_t offset = scrollOffset();
    const int32_t shift = screen_.context().monitor.viewShift.load();
    drawBackground(offset);
    repeatBand(bodyLeft, bodyTop, bodyWidth, flowLaneHeight - 1, bodyTop + 1);
    const bool playing = screen_.player().playing;
    if (playing) {
        drawGrid(target, gridStartOf(screen_), bodyLeft, bodyRight, flow_.beatLine, flow_.measureLine);
    }
    drawKeyboardSeparator(target, screen_.sprites(), bodyLeft, bodyRight);
    drawKeys(offset, shift);
    if (playing) {
        drawComingNotes(offset, shift);
    }
}

// One row of lanes for six octaves (the body's top row) and the octaves of the keyboard.
void KeyboardFlowView::drawBackground(int32_t offset)
{
    Surface& target = surface();
    const int32_t lines = twelveLanes_ ? 11 : 6;
    const int32_t spacing = twelveLanes_ ? flow12LaneWidth : 12;
    for (int32_t octave = 0; octave < visibleOctaves; ++octave) {
        const int32_t octaveX = bodyLeft - offset % octaveWidth + octaveWidth * octave;
        target.fillRect({octaveX, bodyTop, octaveX + 36, bodyTop + 1}, flow_.laneA);
        target.fillRect({octaveX + 36, bodyTop, octaveX + octaveWidth, bodyTop + 1}, flow_.laneB);
        target.fillRect({octaveX, bodyTop, octaveX + 1, bodyTop + 1}, flow_.measureLine);
        for (int32_t i = 0; i < lines; ++i) {
            const int32_t x = octaveX + spacing + spacing * i;
            target.fillRect({x, bodyTop, x + 1, bodyTop + 1}, flow_.beatLine);
        }
        blit(target, keyboard_.octave, octaveX, keyboardLine);
    }
}

void KeyboardFlowView::drawKeys(int32_t offset, int32_t shift)
{
    Surface& target = surface();
    const auto shown = selectedChannels(screen_.context().monitor, &ChannelState::keyboardShown);
    const int32_t glowY = twelveLanes_ ? keyboardLine - 4 : keyboardLine;
    forEachSoundingNote([&](const DrawnNote& note) {
        const int32_t shownKey = note.note + shift;
        if (!shown[note.channel & 15] || shownKey < 0) {
            return;
        }
        if (!note.released) {
            blitKeyed(target, keyboard_.keys[shownKey % 12], bodyLeft + (shownKey / 12) * octaveWidth - offset, keyboardLine);
        }
        const int32_t weight = glowWeight(note.ageMs, note.released);
        if (weight > 0) {
            blitAdd(target, flow_.glow, laneX(shownKey, offset), glowY, weight);
        }
    });
}

void KeyboardFlowView::drawComingNotes(int32_t offset, int32_t shift)
{
    Surface& target = surface();
    const auto shown = selectedChannels(screen_.context().monitor, &ChannelState::keyboardShown);
    const double scale = updateComingNotes(screen_, comingNotes_, shown);
    marks_.reset();
    comingNotes_.forEach(screen_.player().position, scale, [&](int32_t channel, int32_t note, int32_t y) {
        const int32_t shownKey = note + shift;
        if (shown[channel] && shownKey > 0 && marks_.take(shownKey, y)) {
            blit(target, flow_.mark(shownKey % 12), laneX(shownKey, offset), markBottom - y);
        }
    });
}

void DrumFlowView::prepare() { sprites_.cut(screen_.context().skin); }

int32_t DrumFlowView::glowWeight(uint32_t ageMs)
{
    return ageMs < glowMs ? static_cast<int32_t>((3072 - 16 * ageMs) / glowMs) : 0;
}

void DrumFlowView::draw()
{
    Surface& target = surface();
    screen_.context().panelDrawer.drawPanel(bodyLeft, headerTop, bodyRight, bodyTop);
    ClipScope clip(target, MainScreen::viewRect);
    drawLanes();
    const bool playing = screen_.player().playing;
    if (playing) {
        drawGrid(target, gridStartOf(screen_), drumLeft, drumRight, drumBeatColour, drumMeasureColour);
    }
    blitUnclipped(target, sprites_.kit, drumLeft, keyboardLine);
    drawKeyboardSeparator(target, screen_.sprites(), drumLeft, drumRight);

    const auto shown = selectedChannels(screen_.context().monitor, &ChannelState::drumFlowShown);
    forEachSoundingNote([&](const DrawnNote& note) {
        const int32_t lane = drumLaneOf(note.note);
        if (note.ageMs >= glowMs || !shown[note.channel & 15] || lane < 0) {
            return;
        }
        const int32_t weight = glowWeight(note.ageMs);
        if (weight > 0) {
            blitAdd(target, sprites_.glows[lane], bodyLeft + drumLanes[lane].x, keyboardLine, weight);
        }
    });
    if (playing) {
        drawComingNotes(shown);
    }
}

void DrumFlowView::drawComingNotes(const std::array<bool, ChannelMonitor::channelCount>& shown)
{
    Surface& target = surface();
    const double scale = updateComingNotes(screen_, comingNotes_, shown);
    marks_.reset();
    comingNotes_.forEach(screen_.player().position, scale, [&](int32_t channel, int32_t note, int32_t y) {
        const int32_t lane = drumLaneOf(note);
        if (shown[channel] && lane >= 0 && marks_.take(lane, y)) {
            // Clipped to the body: a mark about to leave the lanes would reach into the header.
            blit(target, sprites_.marks[lane], bodyLeft + drumLanes[lane].x, markBottom - y);
        }
    });
}

// The kit's side panels, the eight coloured lanes and the lines between them.
void DrumFlowView::drawLanes()
{
    Surface& target = surface();
    PanelDrawer& panels = screen_.context().panelDrawer;
    panels.drawPanel(bodyLeft, bodyTop, drumLeft, bodyBottom);
    for (const DrumLane& lane : drumLanes) {
        const int32_t x = bodyLeft + lane.x;
        target.fillRect({x, bodyTop, x + lane.width, keyboardLine}, sprites_.laneColours[lane.colourIndex]);
        target.fillRect({x - 1, bodyTop, x + 1, bodyBottom}, lane.separator);
    }
    panels.drawPanel(drumRight, bodyTop, bodyRight, bodyBottom);
    target.fillRect({drumRight - 1, bodyTop, drumRight + 1, bodyBottom}, lightSeparator);
}

}  // namespace quorva
