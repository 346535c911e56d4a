#pragma once
// The flow views: one keyboard at the bottom of the body with the coming notes falling toward
// it (KB.FLOW7 with lanes laid out like piano keys, KB.FLOW12 with twelve equal lanes per
// octave), and DRUM FLOW with eight drum lanes over a drum kit.
#include "ui/coming_notes.h"
#include "ui/flow_timeline.h"
#include "ui/music_view.h"
#include "ui/view_sprites.h"

#include <array>

namespace quorva {

class KeyboardFlowView final : public MusicView {
public:
    KeyboardFlowView(MainScreen& screen, bool twelveLanes) : MusicView(screen), twelveLanes_(twelveLanes) {}
    void prepare() override;
    void activate() override;
    void deactivate() override;
    void draw() override;

    // Additive weight of a key's glow: fading from 16 to 0 over 192 ms, at least 8 while held.
    static int32_t glowWeight(uint32_t ageMs, bool released);
    // x of the glow and the mark of a note (after the view shift) for the scroll offset.
    int32_t laneX(int32_t shiftedNote, int32_t offset) const;

private:
    void drawBackground(int32_t offset);
    void drawKeys(int32_t offset, int32_t shift);
    void drawComingNotes(int32_t offset, int32_t shift);

    bool twelveLanes_;
    KeyboardSprites keyboard_;
    FlowSprites flow_;
    ComingNotes comingNotes_;
    MarkBudget marks_;
};

class DrumFlowView final : public MusicView {
public:
    using MusicView::MusicView;
    void prepare() override;
    void draw() override;

    // Additive weight of a hit's glow: 16 when struck, 0 at 192 ms, held or not.
    static int32_t glowWeight(uint32_t ageMs);

private:
    void drawLanes();
    void drawComingNotes(const std::array<bool, ChannelMonitor::channelCount>& shown);

    DrumSprites sprites_;
    ComingNotes comingNotes_;
    MarkBudget marks_;
};

// Reads the coming notes of the shown channels on for this frame; the scale is returned for
// drawing them.
double updateComingNotes(const MainScreen& screen, ComingNotes& notes, const std::array<bool, 16>& shown);

// The grid's starting state for this frame: the player copy, the song's division and the
// smoothed flow scale.
GridStart gridStartOf(const MainScreen& screen);

// The three separator rows above a flow keyboard (rows 348..351), from x left to right.
void drawKeyboardSeparator(Surface& surface, const SkinSprites& sprites, int32_t left, int32_t right);

}  // namespace quorva
