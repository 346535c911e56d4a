#include "ui/keyboard_views.h"

#include "gfx/drawers.h"

namespace quorva {
namespace {

constexpr int32_t rowHeight = 20;
constexpr int32_t keyboardCount = 16;

}  // namespace

void KeyboardFullView::prepare() { sprites_.cut(screen_.context().skin, kbFullTable); }

int32_t KeyboardFullView::octaveLeft(int32_t shiftedNote)
{
    if (shiftedNote <= 0 || shiftedNote >= 120) {
        return -1;
    }
    return bodyLeft + (shiftedNote / 12) * kbFullTable.octave.width;
}

int32_t KeyboardFullView::glowWeight(uint32_t ageMs)
{
    return ageMs < glowMs ? static_cast<int32_t>((6144 - 32 * ageMs) / glowMs) : 0;
}

void KeyboardFullView::draw()
{
    Surface& target = surface();
    screen_.context().panelDrawer.drawPanel(bodyLeft, headerTop, bodyRight, bodyTop);
    for (int32_t i = 0; i < 10; ++i) {
        blitUnclipped(target, sprites_.octave, bodyLeft + sprites_.octaveWidth * i, bodyTop);
    }
    repeatBand(bodyLeft, bodyTop, bodyWidth, rowHeight * (keyboardCount - 1), bodyTop + rowHeight);
    const int32_t shift = screen_.context().monitor.viewShift.load();
    forEachSoundingNote([&](const DrawnNote& note) {
        const int32_t shownKey = note.note + shift;
        const int32_t left = octaveLeft(shownKey);
        if (left < 0) {
            return;
        }
        const int32_t pitchClass = shownKey % 12;
        const int32_t y = bodyTop + rowHeight * note.channel;
        if (!note.released) {
            blitKeyedUnclipped(target, sprites_.keys[pitchClass], left, y);
        }
        if (note.ageMs < glowMs) {
            blitBlendUnclipped(target, sprites_.glows[pitchClass], left, y, glowWeight(note.ageMs));
        }
    });
}

void KeyboardHalfView::prepare() { sprites_.cut(screen_.context().skin, kbHalfTable); }

void KeyboardHalfView::activate()
{
    MusicView::activate();
    joinScrollBar();
}

void KeyboardHalfView::deactivate() { leaveScrollBar(); }

void KeyboardHalfView::draw()
{
    Surface& target = surface();
    screen_.context().panelDrawer.drawPanel(bodyLeft, headerTop, bodyRight, scrollBarTop);
    ClipScope clip(target, MainScreen::viewRect);
    const int32_t offset = scrollOffset();
    const int32_t octaveWidth = sprites_.octaveWidth;
    for (int32_t octave = 0; octave < 6; ++octave) {
        blit(target, sprites_.octave, bodyLeft + octaveWidth * octave - offset % octaveWidth, bodyTop);
    }
    repeatBand(bodyLeft, bodyTop, bodyWidth, rowHeight * (keyboardCount - 1), bodyTop + rowHeight);
    const int32_t shift = screen_.context().monitor.viewShift.load();
    forEachSoundingNote([&](const DrawnNote& note) {
        const int32_t shownKey = note.note + shift;
        if (shownKey <= 0) {
            return;
        }
        const int32_t left = bodyLeft + (shownKey / 12) * octaveWidth - offset;
        const int32_t pitchClass = shownKey % 12;
        const int32_t y = bodyTop + rowHeight * note.channel;
        if (!note.released) {
            blitKeyed(target, sprites_.keys[pitchClass], left, y);
        }
        if (note.ageMs < glowMs) {
            blitBlend(target, sprites_.glows[pitchClass], left, y, KeyboardFullView::glowWeight(note.ageMs));
        }
    });
}

}  // namespace quorva
