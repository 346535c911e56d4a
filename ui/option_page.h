#pragma once
// The option page: the eleven settings as rows of bracketed choices, APPLY to make them the
// running settings and SAVE to write them to setting.dat. Clicking a choice only selects it.
#include "app/settings.h"
#include "ui/callback_list.h"
#include "ui/main_screen.h"
#include "ui/view.h"
#include "ui/widgets.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quorva {

// One choice of a row: its text and the box that takes its clicks, 6 pixels a character wide
// and 8 high.
struct ChoiceItem {
    static constexpr int32_t charWidth = 6;
    static constexpr int32_t height = 8;

    Rect box;
    std::string text;
    int32_t value = 0;  // its index in the row
};

// A label followed by choices, exactly one of them selected. A row without choices is a
// heading and never changes.
class ChoiceRow {
public:
    // Pixels from the row's x to its first choice.
    static constexpr int32_t itemsIndent = 128;

    void init(const ScreenContext& screen, std::string_view label, int32_t x, int32_t y, int32_t itemStep,
              int32_t initialSelection, CallbackList& updateList, CallbackList& drawList);
    void addItem(std::string_view text);
    void update();
    void draw();

    int32_t selected = 0;
    const std::vector<ChoiceItem>& items() const { return items_; }
    const std::string& label() const { return label_; }

private:
    CallbackNode updateNode_;
    CallbackNode drawNode_;
    int32_t itemStep_ = 0;
    std::string label_;
    int32_t x_ = 0;
    int32_t y_ = 0;
    std::vector<ChoiceItem> items_;
    const ScreenContext* context_ = nullptr;
};

// A 64x16 button acting once, in the frame the left press lands on it. Unlike a push button
// it stays pressed while the left button is held, wherever the pointer goes.
struct OptionButton {
    Rect box;
    CallbackNode updateNode;
    CallbackNode drawNode;
    bool pressed = false;
    std::string_view text;
    std::function<void()> action;
    const ScreenContext* context = nullptr;
    const SkinSprites* sprites = nullptr;

    void init(const ScreenContext& screen, const SkinSprites& images, int32_t left, int32_t top, std::string_view caption,
              std::function<void()> onPress, CallbackList& updateList, CallbackList& drawList);
    void update();
    void draw();
};

class OptionPage final : public View {
public:
    static constexpr int rowCount = 13;
    // The row that edits each settings field, in field order.
    static constexpr std::array<int, Settings::size> fieldRows = {0, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12};

    explicit OptionPage(MainScreen& screen) : screen_(screen) {}

    // buildOptionPage: the rows, then APPLY, then SAVE, into the page's own lists.
    void prepare() override;
    // showOptionPage: loads the rows from the running settings and takes over both hooks.
    void activate() override;
    void deactivate() override {}

    Settings collectSettings() const;
    // APPLY: the collected record through the settings' apply path.
    void apply();
    // SAVE: the collected record to setting.dat through the settings' save (where the next
    // start-up reads it); the running settings stay as they are. The page then says how it
    // went, under the buttons: "Settings saved." for `savedShownMs`, or why not until the
    // next SAVE or until the page is shown again.
    void save();
    // Replaces the settings' save, for tests.
    void setSaver(std::function<SaveResult(const Settings&)> saver) { saver_ = std::move(saver); }
    // What the page says of the last SAVE now; empty when it says nothing.
    std::string_view saveStatus() const;
    bool saveFailed() const { return saveFailed_; }

    static constexpr uint32_t savedShownMs = 2000;

    const ChoiceRow& row(int index) const { return rows_[index]; }
    ChoiceRow& row(int index) { return rows_[index]; }
    const OptionButton& applyButton() const { return applyButton_; }
    const OptionButton& saveButton() const { return saveButton_; }

private:
    void update();
    void draw();

    MainScreen& screen_;
    CallbackList updateList_;
    CallbackList drawList_;
    std::array<ChoiceRow, rowCount> rows_;
    OptionButton applyButton_;
    OptionButton saveButton_;
    std::function<SaveResult(const Settings&)> saver_;
    std::string saveStatus_;
    bool saveFailed_ = false;
    uint32_t savedAtMs_ = 0;
};

}  // namespace quorva
