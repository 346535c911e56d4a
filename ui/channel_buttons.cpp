#include "ui/channel_buttons.h"

#include "app/mouse_state.h"
#include "gfx/bitmap_font.h"
#include "song/channel_monitor.h"
#include "ui/screen_context.h"

#include <cstdio>

namespace quorva {

void ChannelButton::init(const ScreenContext& screen, int channel, CallbackList& updateList, CallbackList& drawList)
{
    context_ = &screen;
    channel_ = channel;
    hit_ = {1, 65 + 20 * channel, 22, 80 + 20 * channel};
    behaviour_ = Behaviour::Mute;
    updateNode_.bind<ChannelButton, &ChannelButton::update>(*this);
    drawNode_.bind<ChannelButton, &ChannelButton::draw>(*this);
    updateList.append(updateNode_);
    drawList.append(drawNode_);
}

void ChannelButton::selectFor(uint8_t mode)
{
    switch (mode) {
    case 1:
    case 2:
        behaviour_ = Behaviour::Mute;
        break;
    case 3:
    case 4:
        behaviour_ = Behaviour::KeyboardSelection;
        break;
    case 5:
        behaviour_ = Behaviour::DrumSelection;
        break;
    default:
        break;
    }
}

bool ChannelButton::pointerInside() const
{
    return hit_.contains(context_->mouse.x(), context_->mouse.y());
}

void ChannelButton::update() {}

void ChannelButton::draw() {}

}  // namespace quorva
