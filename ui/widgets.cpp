#include "ui/widgets.h"

#include "app/main_window.h"
#include "app/mouse_state.h"
#include "gfx/bitmap_font.h"
#include "gfx/drawers.h"
#include "ui/main_screen.h"
#include "ui/screen_context.h"
#include "ui/skin_sprites.h"

#include <algorithm>

namespace quorva {
namespace {

// What one frame's mouse does to a control dragged by a handle (a knob, a scroll-bar thumb).
struct DragStep {
    bool reset = false;   // a right click on the handle while not dragging: back to the default
    bool start = false;   // a left press on the handle: the drag starts from here
    bool follow = false;  // the left button held while dragging: follow the pointer
};

// Ends the drag when the left button is released and starts it on a left press on the
// handle; the caller applies the step in the order reset, start, follow.
DragStep readDrag(const MouseState& mouse, bool onHandle, bool& dragging)
{
    DragStep step;
    if (mouse.left() == button::Released) {
        dragging = false;
    }
    if (onHandle) {
        step.reset = !dragging && mouse.right() == button::Released;
        if (mouse.left() == button::Pressed) {
            dragging = true;
            step.start = true;
        }
    }
    step.follow = mouse.left() == button::Held && dragging;
    return step;
}

}  // namespace

void updatePress(const MouseState& mouse, const Rect& box, bool keptOutside, bool& pressed,
                 const std::function<void()>& action)
{
    const bool inside = box.contains(mouse.x(), mouse.y());
    if (inside && mouse.left() == button::Pressed) {
        pressed = true;
        if (action) {
            action();
        }
    }
    const bool held = mouse.left() >= button::Held;
    if (!held || !(inside || keptOutside)) {
        pressed = false;
    }
}

void PushButton::init(const ScreenContext& screen, const Rect& rectangle, const Sprite& normalImage,
                      const Sprite& hoverImage, const Sprite& pressedSprite, std::function<void()> onPress,
                      CallbackList* updateList, CallbackList* drawList)
{
    context = &screen;
    hit = rectangle;
    normal = normalImage;
    hover = hoverImage;
    pressedImage = pressedSprite;
    action = std::move(onPress);
    pressed = false;
    updateNode.bind<PushButton, &PushButton::update>(*this);
    drawNode.bind<PushButton, &PushButton::draw>(*this);
    if (updateList != nullptr) {
        updateList->append(updateNode);
    }
    if (drawList != nullptr) {
        drawList->append(drawNode);
    }
}

void PushButton::update() { updatePress(context->mouse, hit, false, pressed, action); }

void PushButton::draw()
{
    const MouseState& mouse = context->mouse;
    const bool inside = hit.contains(mouse.x(), mouse.y());
    const Sprite& image = !inside ? normal : (pressed ? pressedImage : hover);
    blitUnclipped(context->surface, image, hit.left, hit.top);
}

void TabButton::init(MainScreen& owner, const std::array<Sprite, 3>& images, std::string_view text,
                     int32_t tabIndex, uint8_t tabMode, CallbackList& updateList, CallbackList& drawList)
{
    screen = &owner;
    sprites = &images;
    label = text;
    index = tabIndex;
    mode = tabMode;
    updateNode.bind<TabButton, &TabButton::update>(*this);
    drawNode.bind<TabButton, &TabButton::draw>(*this);
    updateList.append(updateNode);
    drawList.append(drawNode);
}

void TabButton::update()
{
    const MouseState& mouse = screen->context().mouse;
    if (box().contains(mouse.x(), mouse.y()) && mouse.left() == button::Pressed) {
        screen->setMode(mode);
    }
}

void TabButton::draw()
{
    const ScreenContext& context = screen->context();
    const MouseState& mouse = context.mouse;
    const size_t image = screen->mode() == mode ? 2 : (box().contains(mouse.x(), mouse.y()) ? 1 : 0);
    const int32_t left = width * index;
    blitUnclipped(context.surface, (*sprites)[image], left, 0);
    const BitmapFont& font = context.fonts.txnmbl;
    const int32_t textWidth = static_cast<int32_t>(label.size()) * font.cellWidth;
    font.drawText(context.surface, left + width / 2 - textWidth / 2, height / 2 - font.cellHeight / 2, label);
}

void Knob::init(const ScreenContext& screen, const SkinSprites& sprites, int32_t centreX, int32_t centreY, int32_t defaultIndexValue,
                CallbackList& updateList, CallbackList& drawList)
{
    context_ = &screen;
    sprites_ = &sprites;
    centreX_ = centreX;
    centreY_ = centreY;
    defaultIndex_ = defaultIndexValue;
    index_ = defaultIndexValue;
    dragging_ = false;
    lastApplied_ = -1;
    updateNode_.bind<Knob, &Knob::updateNodeCall>(*this);
    drawNode_.bind<Knob, &Knob::drawNodeCall>(*this);
    updateList.append(updateNode_);
    drawList.append(drawNode_);
}

void Knob::setIndex(int32_t value)
{
    index_ = value;
    defaultIndex_ = value;
}

void Knob::moveTo(int32_t value) { index_ = std::clamp(value, 0, maxIndex); }

bool Knob::pointerInside() const
{
    const MouseState& mouse = context_->mouse;
    return mouse.x() >= centreX_ - 6 && mouse.x() < centreX_ + 6 && mouse.y() >= centreY_ - 6 &&
           mouse.y() < centreY_ + 6;
}

bool Knob::takeChange()
{
    if (index_ == lastApplied_) {
        return false;
    }
    lastApplied_ = index_;
    return true;
}

void Knob::updateShared()
{
    const MouseState& mouse = context_->mouse;
    const DragStep step = readDrag(mouse, pointerInside(), dragging_);
    if (step.reset) {
        index_ = defaultIndex_;
    }
    if (step.start) {
        dragStartX_ = mouse.x();
        dragStartY_ = mouse.y();
        dragStartIndex_ = index_;
    }
    if (step.follow) {
        // In 64 bits so that a pointer far outside the window still ends at 0 or 12.
        const int64_t steps =
            ((static_cast<int64_t>(mouse.x()) - dragStartX_) - (static_cast<int64_t>(mouse.y()) - dragStartY_)) /
            stepPixels;
        index_ = static_cast<int32_t>(std::clamp<int64_t>(dragStartIndex_ + steps, 0, maxIndex));
    }
    // The wheel over the knob turns it a step a notch, away from the user to the right.
    const int32_t notches = context_->window.wheelNotches();
    if (notches != 0 && !dragging_ && pointerInside()) {
        moveTo(index_ + std::clamp(notches, -maxIndex, maxIndex));
    }
}

void Knob::drawShared(std::string_view label)
{
    const int32_t image = index_ + ((pointerInside() || dragging_) ? SkinSprites::knobImages : 0);
    const SkinSprites& skinSprites = *sprites_;
    const Sprite& sprite = image < SkinSprites::knobImages ? skinSprites.knobs[image]
                                                           : skinSprites.highlightedKnobs[image - SkinSprites::knobImages];
    blitKeyedUnclipped(context_->surface, sprite, centreX_ - 6, centreY_ - 6);
    const BitmapFont& font = context_->fonts.txsm;
    font.drawText(context_->surface, centreX_ + 6 - static_cast<int32_t>(label.size()) * 4, centreY_ + 7, label);
}

void ScrollBar::init(const ScreenContext& screen, int32_t left, int32_t top, int32_t thumbPosition,
                     int32_t trackLength, int32_t visibleWidth, int32_t totalWidth, Surface& targetSurface,
                     CallbackList* updateList, CallbackList* drawList)
{
    context = &screen;
    x = left;
    y = top;
    thumbPos = thumbPosition;
    defaultThumbPos = thumbPosition;
    length = trackLength;
    visible = visibleWidth;
    total = totalWidth;
    target = &targetSurface;
    travel = total > 0 ? (total - visible) * length / total : 0;
    dragging = false;
    updateNode.bind<ScrollBar, &ScrollBar::update>(*this);
    drawNode.bind<ScrollBar, &ScrollBar::draw>(*this);
    if (updateList != nullptr) {
        updateList->append(updateNode);
    }
    if (drawList != nullptr) {
        drawList->append(drawNode);
    }
    offsetOf();
}

bool ScrollBar::onThumb(int32_t pointerX, int32_t pointerY) const
{
    return pointerX >= x + thumbPos && pointerX < x + thumbPos + thumbWidth() && pointerY >= y &&
           pointerY < y + height;
}

int32_t ScrollBar::offsetOf()
{
    // A bar that cannot move (everything visible) scrolls nothing.
    offset = travel > 0 ? (total - visible) * thumbPos / travel : 0;
    return offset;
}

void ScrollBar::update()
{
    const MouseState& mouse = context->mouse;
    const DragStep step = readDrag(mouse, onThumb(mouse.x(), mouse.y()), dragging);
    if (step.reset) {
        thumbPos = defaultThumbPos;
    }
    if (step.start) {
        grabOffset = mouse.x() - thumbPos;
    }
    if (step.follow) {
        thumbPos = std::clamp(mouse.x() - grabOffset, 0, travel);
    }
    offsetOf();
}

void ScrollBar::draw()
{
    // Start-up goes on without the drawer when it cannot be made; the bar is then not shown.
    if (context->scrollBarDrawer == nullptr || context->scrollBarDrawer->bands().empty()) {
        return;
    }
    const MouseState& mouse = context->mouse;
    context->scrollBarDrawer->drawBar(*target, x, length, x + thumbPos, thumbWidth(), y,
                                      dragging || onThumb(mouse.x(), mouse.y()));
}

}  // namespace quorva
