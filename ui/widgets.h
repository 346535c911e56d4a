#pragma once
// The generic widgets: push button, tab button, knob and scroll bar. Each joins the update
// and draw lists of the frame with its two nodes.
#include "gfx/surface.h"
#include "ui/callback_list.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>

namespace quorva {

class MouseState;
struct ScreenContext;
struct SkinSprites;

// How a button goes down and up, for push buttons and the option page's buttons: a left press
// inside `box` in this frame sets `pressed` and performs the action, once however long the
// button is then held. `pressed` is cleared when the left button is up, and also when the
// pointer is outside the box unless `keptOutside`.
void updatePress(const MouseState& mouse, const Rect& box, bool keptOutside, bool& pressed,
                 const std::function<void()>& action);

// A clickable rectangle that performs its action once, in the frame the left press is seen;
// it shows as pressed only while the pointer stays on it.
struct PushButton {
    CallbackNode updateNode;
    CallbackNode drawNode;
    Rect hit;
    Sprite normal;
    Sprite hover;
    Sprite pressedImage;
    bool pressed = false;
    std::function<void()> action;
    const ScreenContext* context = nullptr;

    // Stores the values and appends both nodes to the lists that are given.
    void init(const ScreenContext& screen, const Rect& rectangle, const Sprite& normalImage,
              const Sprite& hoverImage, const Sprite& pressedSprite, std::function<void()> onPress,
              CallbackList* updateList, CallbackList* drawList);
    void update();
    void draw();
};

class MainScreen;

// One of the six mode tabs along the top edge.
struct TabButton {
    static constexpr int32_t width = 64;
    static constexpr int32_t height = 16;

    std::string_view label;
    int32_t index = 0;  // 0..5, the tab's place
    uint8_t mode = 1;   // 1..6
    CallbackNode updateNode;
    CallbackNode drawNode;
    MainScreen* screen = nullptr;
    // Normal, hover and selected, shared by all tabs.
    const std::array<Sprite, 3>* sprites = nullptr;

    void init(MainScreen& owner, const std::array<Sprite, 3>& images, std::string_view text, int32_t tabIndex,
              uint8_t tabMode, CallbackList& updateList, CallbackList& drawList);
    Rect box() const { return {width * index, 0, width * index + width, height}; }
    void update();
    void draw();
};

// A 13-step rotary control dragged with the left button (right or up raises it, one step per
// 10 pixels) and reset to its default by a right click. Instances apply the index to their
// target in `update` and draw their value label in `draw`.
class Knob {
public:
    static constexpr int32_t maxIndex = 12;
    static constexpr int32_t stepPixels = 10;

    virtual ~Knob() = default;
    void init(const ScreenContext& screen, const SkinSprites& sprites, int32_t centreX, int32_t centreY, int32_t defaultIndexValue,
              CallbackList& updateList, CallbackList& drawList);
    // Sets both the index and the default index.
    void setIndex(int32_t value);
    // Turns the knob to the index (clamped to 0..12) as a drag would; the default stays.
    void moveTo(int32_t value);
    virtual void update() = 0;
    virtual void draw() = 0;

    int32_t index() const { return index_; }
    int32_t defaultIndex() const { return defaultIndex_; }
    bool dragging() const { return dragging_; }
    int32_t centreX() const { return centreX_; }
    int32_t centreY() const { return centreY_; }

protected:
    // The drag and reset handling that every instance runs after its own step.
    void updateShared();
    // The knob image, then `label` right-aligned to cx + 6 in the small font.
    void drawShared(std::string_view label);
    // True (and remembers the index as applied) when the index differs from the last one
    // applied; true on the first frame.
    bool takeChange();
    bool pointerInside() const;

    const ScreenContext* context_ = nullptr;
    const SkinSprites* sprites_ = nullptr;

private:
    void updateNodeCall() { update(); }
    void drawNodeCall() { draw(); }

    CallbackNode updateNode_;
    CallbackNode drawNode_;
    int32_t centreX_ = 0;
    int32_t centreY_ = 0;
    int32_t index_ = 0;
    int32_t defaultIndex_ = 0;
    bool dragging_ = false;
    int32_t dragStartX_ = 0;
    int32_t dragStartY_ = 0;
    int32_t dragStartIndex_ = 0;
    int32_t lastApplied_ = -1;
};

// A horizontal slider, 8 pixels high, producing a scroll offset.
struct ScrollBar {
    static constexpr int32_t height = 8;

    CallbackNode updateNode;
    CallbackNode drawNode;
    int32_t x = 0;
    int32_t y = 0;
    int32_t thumbPos = 0;
    int32_t defaultThumbPos = 0;
    int32_t length = 0;
    int32_t travel = 0;
    int32_t total = 0;
    int32_t visible = 0;
    int32_t offset = 0;
    bool dragging = false;
    int32_t grabOffset = 0;
    const ScreenContext* context = nullptr;
    Surface* target = nullptr;

    // Stores the values, computes travel and offset, appends the nodes to the lists given.
    void init(const ScreenContext& screen, int32_t left, int32_t top, int32_t thumbPosition, int32_t trackLength,
              int32_t visibleWidth, int32_t totalWidth, Surface& targetSurface, CallbackList* updateList,
              CallbackList* drawList);
    int32_t thumbWidth() const { return length - travel; }
    bool onThumb(int32_t pointerX, int32_t pointerY) const;
    // Recomputes and returns the offset.
    int32_t offsetOf();
    void update();
    void draw();
};

}  // namespace quorva
