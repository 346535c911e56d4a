#include "ui/music_view.h"

namespace quorva {

void MusicView::activate()
{
    screen_.updateHook().bind<MusicView, &MusicView::idle>(*this);
    screen_.drawHook().bind<MusicView, &MusicView::drawCall>(*this);
}

void MusicView::repeatBand(int32_t left, int32_t top, int32_t width, int32_t height, int32_t toY) const
{
    Surface& target = surface();
    blit(target, Sprite::cut(target, left, top, width, height), left, toY);
}

void MusicView::joinScrollBar()
{
    ScrollBar& bar = screen_.keyboardScrollBar();
    screen_.updateList().append(bar.updateNode);
    screen_.drawList().append(bar.drawNode);
}

void MusicView::leaveScrollBar()
{
    ScrollBar& bar = screen_.keyboardScrollBar();
    CallbackList::unlink(bar.updateNode);
    CallbackList::unlink(bar.drawNode);
}

}  // namespace quorva
