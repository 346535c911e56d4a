#include "ui/progress_seek.h"

#include "app/mouse_state.h"
#include "song/sequencer.h"
#include "song/smf_file.h"
#include "ui/screen_context.h"

#include <algorithm>

namespace quorva {

void ProgressSeek::update(const ScreenContext& context)
{
    const MouseState& mouse = context.mouse;
    const uint32_t lengthMs = context.sequencer.song().endMs();
    const bool seekable = context.sequencer.song().loaded() && context.sequencer.state() != PlayState::Idle && lengthMs != 0;
    const Rect grab{bar.left - grabMargin, bar.top - grabMargin, bar.right + grabMargin, bar.bottom + grabMargin};
    if (mouse.left() == button::Pressed && seekable && grab.contains(mouse.x(), mouse.y())) {
        dragging_ = true;
    }
    if (!dragging_) {
        return;
    }
    if (!seekable) {
        dragging_ = false;
        return;
    }
    const int64_t along = std::clamp<int64_t>(mouse.x() - bar.left, 0, bar.right - bar.left);
    dragMs_ = static_cast<uint32_t>(along * lengthMs / (bar.right - bar.left));
    if (mouse.left() < button::Held) {
        dragging_ = false;
        context.sequencer.seekToMs(dragMs_);
    }
}

}  // namespace quorva
