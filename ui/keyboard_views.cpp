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
        const int32_t n = note.note + shift;
        const int32_t left = octaveLeft(n);
        if (left < 0) {
            return;
        }
        const int32_t k = n % 12;
        const int32_t y = bodyTop + rowHeight * note.channel;
        if (!note.released) {
            blitKeyedUnclipped(target, sprites_.keys[k], left, y);
        }
        if (note.ageMs < glowMs) {
            blitBlendUnclipped(target, sprites_.glows[k], left, y, glowWeight(note.ageMs));
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
    for (int32_t j = 0; j < 6; ++j) {
        blit(target, sprites_.octave, bodyLeft + octaveWidth * j - offset % octaveWidth, bodyTop);
    }
    repeatBand(bodyLeft, bodyTop, bodyWidth, rowHeight * (keyboardCount - 1), bodyTop + rowHeight);
    const int32_t shift = screen_.context().monitor.viewShift.load();
    forEachSoundingNote([&](const DrawnNote& note) {
        const int32_t n = note.note + shift;
        if (n <= 0) {
            return;
        }
        const int32_t left = bodyLeft + (n / 12) * octaveWidth - offset;
        const int32_t k = n % 12;
        const int32_t y = bodyTop + rowHeight * note.channel;
        if (!note.released) {
            blitKeyed(target, sprites_.keys[k], left, y);
        }
        if (note.ageMs < glowMs) {
            blitBlend(target, sprites_.glows[k], left, y, KeyboardFullView::glowWeight(note.ageMs));
        }
    });
}

}  // namespace quorva
