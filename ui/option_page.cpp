#include "ui/option_page.h"

#include "app/mouse_state.h"
#include "gfx/bitmap_font.h"
#include "gfx/drawers.h"
#include "platform/clock.h"
#include "ui/skin_sprites.h"

#include <algorithm>
#include <initializer_list>

namespace quorva {
namespace {

struct RowSpec {
    std::string_view label;
    int32_t step;
    std::initializer_list<std::string_view> items;
    int32_t initial;
};

// The texts are shown as they stand; the choice ending in an apostrophe is the field's default.
const std::array<RowSpec, OptionPage::rowCount>& rowSpecs()
{
    static const std::array<RowSpec, OptionPage::rowCount> specs{{
        {"OUTPUT:", 72, {"[MM-OUT]'", "[MS-SS]", "[QUORVA]", "[NULL]"}, 0},
        {"MS-SS", 72, {}, 1},
        {"  SAMPLIN'RATE:", 72, {"[11025]", "[22050]'", "[44100]"}, 1},
        {"  EFFECT:", 54, {"[NO]'", "[YES]"}, 0},
        {"QUORVA", 72, {}, 1},
        {"  BUFFER-LEN:", 54, {"[50ms]", "[75ms]", "[100ms]'", "[150ms]", "[200ms]"}, 0},
        {"  VOICE:", 54, {"[8]", "[16]", "[24]'", "[32]", "[64]"}, 2},
        {"  LEVEL-SHIFT:", 54, {"[4]", "[5]", "[6]'", "[7]", "[8]"}, 2},
        {"DEF-MUTELV:", 36, {"[0]", "[2]", "[4]", "[6]", "[8]", "[10]", "[12]"}, 3},
        {"MOUSE-CURSOR:", 54, {"[NO]'", "[YES]"}, 0},
        {"SLEEP(ACTIVE):", 54, {"[0ms]", "[1ms]'", "[2ms]", "[5ms]", "[10ms]"}, 0},
        {"SLEEP(NON-ACTIVE):", 54, {"[10ms]", "[20ms]", "[30ms]'", "[40ms]", "[50ms]"}, 2},
        {"FPS-LIMIT:", 54, {"[60]'", "[80]", "[100]", "[120]", "[NULL]"}, 3},
    }};
    return specs;
}

constexpr int32_t rowIndent = 8;
constexpr int32_t firstRowOffset = 32;
constexpr int32_t rowSpacing = 16;
constexpr int32_t buttonWidth = 64;
constexpr int32_t buttonHeight = 16;
// The line under the buttons that says how a SAVE went, as wide as the rows may be.
constexpr int32_t saveStatusBelowButtons = 12;
constexpr size_t saveStatusCharacters =
    static_cast<size_t>((MainScreen::viewRect.right - MainScreen::viewRect.left - 2 * rowIndent) / ChoiceItem::charWidth);

// Why a SAVE failed, in at most `characters`: the path loses its beginning first, then the
// line its end.
std::string saveFailureText(const SaveResult& result, size_t characters)
{
    const std::string reason = result.reason.empty() ? std::string(".") : ": " + result.reason;
    const std::string to = "Could not save settings to ";
    std::string text = "Could not save settings" + reason;
    if (!result.path.empty() && to.size() + result.path.size() + reason.size() <= characters) {
        text = to + result.path + reason;
    } else if (!result.path.empty() && to.size() + 4 + reason.size() <= characters) {
        const size_t kept = characters - to.size() - 3 - reason.size();
        text = to + "..." + result.path.substr(result.path.size() - std::min(kept, result.path.size())) + reason;
    }
    if (text.size() > characters) {
        text.resize(characters);
    }
    return text;
}

}  // namespace

void ChoiceRow::init(const ScreenContext& screen, std::string_view label, int32_t x, int32_t y, int32_t itemStep,
                     int32_t initialSelection, CallbackList& updateList, CallbackList& drawList)
{
    context_ = &screen;
    label_ = label;
    x_ = x;
    y_ = y;
    itemStep_ = itemStep;
    selected = initialSelection;
    items_.clear();
    updateNode_.bind<ChoiceRow, &ChoiceRow::update>(*this);
    drawNode_.bind<ChoiceRow, &ChoiceRow::draw>(*this);
    updateList.append(updateNode_);
    drawList.append(drawNode_);
}

void ChoiceRow::addItem(std::string_view text)
{
    const auto index = static_cast<int32_t>(items_.size());
    const int32_t left = x_ + itemsIndent + index * itemStep_;
    const auto width = static_cast<int32_t>(text.size()) * ChoiceItem::charWidth;
    items_.push_back({{left, y_, left + width, y_ + ChoiceItem::height}, std::string(text), index});
}

void ChoiceRow::update()
{
    const MouseState& mouse = context_->mouse;
    if (mouse.left() != button::Pressed) {
        return;
    }
    for (const ChoiceItem& item : items_) {
        if (item.box.contains(mouse.x(), mouse.y())) {
            selected = item.value;
        }
    }
}

void ChoiceRow::draw()
{
    const FontSet& fonts = context_->fonts;
    const MouseState& mouse = context_->mouse;
    fonts.txnm.drawText(context_->surface, x_, y_, label_);
    for (const ChoiceItem& item : items_) {
        const BitmapFont& font = item.value == selected                      ? fonts.txnmbr
                                 : item.box.contains(mouse.x(), mouse.y()) ? fonts.txnmlt
                                                                             : fonts.txnm;
        font.drawText(context_->surface, item.box.left, item.box.top, item.text);
    }
}

void OptionButton::init(const ScreenContext& screen, const SkinSprites& images, int32_t left, int32_t top,
                        std::string_view caption, std::function<void()> onPress, CallbackList& updateList,
                        CallbackList& drawList)
{
    context = &screen;
    sprites = &images;
    box = {left, top, left + buttonWidth, top + buttonHeight};
    text = caption;
    action = std::move(onPress);
    pressed = false;
    updateNode.bind<OptionButton, &OptionButton::update>(*this);
    drawNode.bind<OptionButton, &OptionButton::draw>(*this);
    updateList.append(updateNode);
    drawList.append(drawNode);
}

void OptionButton::update() { updatePress(context->mouse, box, true, pressed, action); }

void OptionButton::draw()
{
    const MouseState& mouse = context->mouse;
    const Sprite& image = pressed                               ? sprites->buttonPressed
                          : box.contains(mouse.x(), mouse.y()) ? sprites->buttonHover
                                                                : sprites->buttonNormal;
    blitUnclipped(context->surface, image, box.left, box.top);
    const BitmapFont& font = context->fonts.txnmbl;
    const auto length = static_cast<int32_t>(text.size());
    font.drawText(context->surface, box.left - length * font.cellWidth / 2 + buttonWidth / 2,
                  box.top - font.cellHeight / 2 + buttonHeight / 2, text);
}

void OptionPage::prepare()
{
    const ScreenContext& context = screen_.context();
    const Rect area = MainScreen::viewRect;
    for (int index = 0; index < rowCount; ++index) {
        const RowSpec& spec = rowSpecs()[index];
        ChoiceRow& row = rows_[index];
        row.init(context, spec.label, area.left + rowIndent, area.top + firstRowOffset + rowSpacing * index,
                 spec.step, spec.initial, updateList_, drawList_);
        for (std::string_view item : spec.items) {
            row.addItem(item);
        }
    }
    const int32_t middle = (area.left + area.right) / 2;
    const int32_t buttonTop = area.bottom - 48;
    applyButton_.init(context, screen_.sprites(), middle - 96, buttonTop, "APPLY", [this] { apply(); }, updateList_,
                      drawList_);
    saveButton_.init(context, screen_.sprites(), middle + 32, buttonTop, "SAVE", [this] { save(); }, updateList_,
                     drawList_);
}

void OptionPage::activate()
{
    const Settings& live = screen_.context().settings.live();
    const auto fields = live.toBytes();
    for (size_t field = 0; field < fields.size(); ++field) {
        rows_[fieldRows[field]].selected = fields[field];
    }
    // Two fields are switches that take any byte: show them as the choice they act as.
    rows_[fieldRows[2]].selected = live.effectsOn() ? 1 : 0;
    rows_[fieldRows[7]].selected = live.showSystemCursor() ? 1 : 0;
    saveStatus_.clear();
    saveFailed_ = false;
    screen_.updateHook().bind<OptionPage, &OptionPage::update>(*this);
    screen_.drawHook().bind<OptionPage, &OptionPage::draw>(*this);
}

Settings OptionPage::collectSettings() const
{
    std::array<uint8_t, Settings::size> fields{};
    for (size_t field = 0; field < fields.size(); ++field) {
        fields[field] = static_cast<uint8_t>(rows_[fieldRows[field]].selected);
    }
    return Settings::fromBytes(fields);
}

void OptionPage::apply() { screen_.context().settings.apply(collectSettings()); }

void OptionPage::save()
{
    const Settings record = collectSettings();
    const SaveResult result = saver_ ? saver_(record) : screen_.context().settings.save(record);
    saveFailed_ = !result.saved;
    saveStatus_ = result.saved ? "Settings saved." : saveFailureText(result, saveStatusCharacters);
    savedAtMs_ = screen_.context().clock.nowMs();
}

std::string_view OptionPage::saveStatus() const
{
    if (!saveFailed_ && screen_.context().clock.nowMs() - savedAtMs_ >= savedShownMs) {
        return {};
    }
    return saveStatus_;
}

void OptionPage::update() { updateList_.walk(); }

void OptionPage::draw()
{
    PanelDrawer& panels = screen_.context().panelDrawer;
    const Rect area = MainScreen::viewRect;
    const Rect header = MainScreen::headerRect;
    panels.drawPanel(area.left, area.top, area.right, area.bottom);
    panels.drawPanel(header.left, header.top, header.right, header.bottom);
    drawList_.walk();
    const std::string_view status = saveStatus();
    if (!status.empty()) {
        const FontSet& fonts = screen_.context().fonts;
        const int32_t top = applyButton_.box.bottom + saveStatusBelowButtons;
        (saveFailed_ ? fonts.txnmlt : fonts.txnmbr).drawText(screen_.context().surface, area.left + rowIndent, top, status);
    }
}

}  // namespace quorva
