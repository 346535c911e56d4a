#pragma once
// What the five music views share: they draw through the main screen's draw hook, do nothing
// in the update pass, and draw the sounding notes from the copy the main screen took under
// the sequencer's lock for the frame.
#include "gfx/surface.h"
#include "ui/main_screen.h"
#include "ui/view.h"

#include <cstdint>

namespace quorva {

// Narrows the surface's clip rectangle for one scope and restores it afterwards.
class ClipScope {
public:
    ClipScope(Surface& surface, const Rect& clip) : surface_(surface), saved_(surface.clipRect())
    {
        surface.setClipRect(clip);
    }
    ~ClipScope() { surface_.setClipRect(saved_); }
    ClipScope(const ClipScope&) = delete;
    ClipScope& operator=(const ClipScope&) = delete;

private:
    Surface& surface_;
    Rect saved_;
};

class MusicView : public View {
public:
    static constexpr int32_t bodyLeft = MainScreen::viewRect.left;
    static constexpr int32_t bodyRight = MainScreen::viewRect.right;
    static constexpr int32_t bodyTop = MainScreen::viewRect.top;
    static constexpr int32_t bodyBottom = MainScreen::viewRect.bottom;
    static constexpr int32_t bodyWidth = bodyRight - bodyLeft;
    static constexpr int32_t headerTop = MainScreen::headerRect.top;
    // The keyboard scroll bar fills the header strip's last 8 rows where it shows.
    static constexpr int32_t scrollBarTop = 56;
    // Glows of newly struck keys fade over this long.
    static constexpr uint32_t glowMs = 192;

    explicit MusicView(MainScreen& screen) : screen_(screen) {}

    // Every view: an update hook that does nothing and the view's own draw.
    void activate() override;
    void deactivate() override {}
    virtual void draw() = 0;

protected:
    Surface& surface() const { return screen_.context().surface; }
    // Copies the band (left, top) of the given size down to row `toY`, top row first, so the
    // rows above toY repeat down the body.
    void repeatBand(int32_t left, int32_t top, int32_t width, int32_t height, int32_t toY) const;
    // Visits the frame's copies of the sounding notes.
    template <typename NoteVisitor>
    void forEachSoundingNote(NoteVisitor&& visit);
    // Joins the keyboard scroll bar to the lists, or takes it out again.
    void joinScrollBar();
    void leaveScrollBar();
    int32_t scrollOffset() const { return screen_.keyboardScrollBar().offset; }

    MainScreen& screen_;

private:
    void idle() {}
    void drawCall() { draw(); }
};

template <typename NoteVisitor>
void MusicView::forEachSoundingNote(NoteVisitor&& visit)
{
    for (const DrawnNote& note : screen_.notes()) {
        visit(note);
    }
}

}  // namespace quorva
