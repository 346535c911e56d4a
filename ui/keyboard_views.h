#pragma once
// KB.FULL and KB.HALF: sixteen keyboards, one per channel, with the keys of the sounding
// notes lit and a short glow where a note was just struck.
#include "ui/music_view.h"
#include "ui/view_sprites.h"

namespace quorva {

// Ten octaves of 42 pixels fill the body's width.
class KeyboardFullView final : public MusicView {
public:
    using MusicView::MusicView;
    void prepare() override;
    void draw() override;

    // The octave's left edge of a note after the view shift, or -1 when the note is not
    // drawn: 0 and below have no key, 120 and above would lie right of the body.
    static int32_t octaveLeft(int32_t shiftedNote);
    // Blend weight of the glow: 32 when struck, falling to 0 at 192 ms.
    static int32_t glowWeight(uint32_t ageMs);

private:
    KeyboardSprites sprites_;
};

// Keys twice as wide: 5 of the 10 octaves show, scrolled by the keyboard scroll bar.
class KeyboardHalfView final : public MusicView {
public:
    using MusicView::MusicView;
    void prepare() override;
    void activate() override;
    void deactivate() override;
    void draw() override;

private:
    KeyboardSprites sprites_;
};

}  // namespace quorva
