#pragma once
#include "gfx/surface.h"
#include "ui/callback_list.h"

#include <cstdint>

namespace quorva {

struct ScreenContext;

// The clickable number at the left of a channel row. What a click does depends on the page:
// on the keyboard pages it mutes, on the keyboard flow pages it picks the channels shown, on
// the drum flow page it picks the drum channels.
class ChannelButton {
public:
    enum class Behaviour : uint8_t { Mute, KeyboardSelection, DrumSelection };

    void init(const ScreenContext& screen, int channel, CallbackList& updateList, CallbackList& drawList);
    // The behaviour for a page: modes 1, 2 mute; 3, 4 keyboard selection; 5 drum selection;
    // any other mode keeps the one that was active.
    void selectFor(uint8_t mode);
    Behaviour behaviour() const { return behaviour_; }
    Rect hit() const { return hit_; }
    void update();
    void draw();

private:
    bool pointerInside() const;

    const ScreenContext* context_ = nullptr;
    Behaviour behaviour_ = Behaviour::Mute;
    Rect hit_;
    int channel_ = 0;
    CallbackNode updateNode_;
    CallbackNode drawNode_;
};

}  // namespace quorva
