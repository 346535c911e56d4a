#pragma once

namespace quorva {

// A page that the mode tabs switch between.
class View {
public:
    virtual ~View() = default;
    // Called once while the main screen is built, after the skin and fonts are loaded and
    // before the first page is activated: cut sprites, set up state.
    virtual void prepare() {}
    // Joins the passes: appends its nodes to the main screen's lists or sets its hooks.
    virtual void activate() = 0;
    // Undoes what activate did (unlinks its nodes); hooks are simply overwritten by the next page.
    virtual void deactivate() = 0;
};

}  // namespace quorva
