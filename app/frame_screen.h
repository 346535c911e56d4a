#pragma once

namespace quorva {

// The picture every frame updates and draws: the main screen.
class FrameScreen {
public:
    virtual ~FrameScreen() = default;
    // Cuts the widgets' shared sprites from the loaded skin.
    virtual void cutSprites() = 0;
    // Joins the widgets and shows the first page; called once, late in start-up.
    virtual void build() = 0;
    virtual void update() = 0;
    virtual void draw() = 0;
};

}  // namespace quorva
