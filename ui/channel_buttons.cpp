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

namespace {

// The flag a selection behaviour toggles.
Relaxed<bool>& selectionFlag(ChannelState& state, ChannelButton::Behaviour behaviour)
{
    return behaviour == ChannelButton::Behaviour::KeyboardSelection ? state.keyboardShown : state.drumFlowShown;
}

}  // namespace

void ChannelButton::update()
{
    if (!pointerInside()) {
        return;
    }
    const MouseState& mouse = context_->mouse;
    ChannelMonitor& monitor = context_->monitor;
    constexpr int count = ChannelMonitor::channelCount;
    if (behaviour_ == Behaviour::Mute) {
        // A double click also carries a press: the toggle comes first, the solo sets the end state.
        if (mouse.left() == button::Pressed) {
            monitor.setMuted(channel_, !monitor.channels[channel_].muted);
        }
        if (mouse.doubleClick()) {
            for (int channel = 0; channel < count; ++channel) {
                monitor.setMuted(channel, channel != channel_);
            }
        }
        if (mouse.right() == button::Pressed) {
            for (int channel = 0; channel < count; ++channel) {
                monitor.setMuted(channel, false);
            }
        }
        return;
    }
    if (mouse.left() == button::Pressed) {
        Relaxed<bool>& flag = selectionFlag(monitor.channels[channel_], behaviour_);
        flag = !flag;
    }
    if (mouse.doubleClick()) {
        for (int channel = 0; channel < count; ++channel) {
            selectionFlag(monitor.channels[channel], behaviour_) = channel == channel_;
        }
    }
    if (mouse.right() == button::Pressed) {
        // The defaults: the first four channels on the keyboards, channel 10 on the drums.
        for (int channel = 0; channel < count; ++channel) {
            const bool chosen = behaviour_ == Behaviour::KeyboardSelection ? channel < 4 : channel == 9;
            selectionFlag(monitor.channels[channel], behaviour_) = chosen;
        }
    }
}

void ChannelButton::draw()
{
    const FontSet& fonts = context_->fonts;
    ChannelState& state = context_->monitor.channels[channel_];
    const bool inside = pointerInside();
    const BitmapFont* font = nullptr;
    if (behaviour_ == Behaviour::Mute) {
        font = state.muted ? &fonts.txnmdk : (inside ? &fonts.txnmlt : &fonts.txnm);
    } else {
        const bool selected = selectionFlag(state, behaviour_);
        font = !selected ? &fonts.txnmdk : (inside ? &fonts.txnmlt : &fonts.txnm);
    }
    char label[16];
    std::snprintf(label, sizeof label, "A%02d", channel_ + 1);
    font->drawText(context_->surface, hit_.left + 2, hit_.top + 4, label);
}

}  // namespace quorva
