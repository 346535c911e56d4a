// The screen and the skin generator place their pictures by one table; these tests take what
// the screen actually cuts and reads and look for it in the list of regions the generator
// paints, so a picture cut a pixel beside its painted place shows up here.
#include "screen_fixture.h"

#include "app/mouse_state.h"
#include "tools/generators/skingen/regions.h"
#include "ui/main_screen.h"
#include "ui/skin_sprites.h"
#include "ui/view_sprites.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorva {
namespace {

using skingen::Region;
using skingen::RegionUse;
using skingen::skinRegions;

struct CutPicture {
    std::string what;
    SkinRect rect;
};

// The painted region the rectangle is exactly, or nothing.
const Region* regionOf(const SkinRect& rect)
{
    for (const Region& region : skinRegions()) {
        if (region.rect == rect && region.use != RegionUse::Colours) {
            return &region;
        }
    }
    return nullptr;
}

class SkinPictures {
public:
    void add(const std::string& what, const Sprite& sprite)
    {
        pictures.push_back({what, {sprite.srcX, sprite.srcY, sprite.width, sprite.height}});
    }
    template <size_t Count>
    void add(const std::string& what, const std::array<Sprite, Count>& sprites)
    {
        for (size_t i = 0; i < Count; ++i) {
            add(what + " " + std::to_string(i), sprites[i]);
        }
    }

    std::vector<CutPicture> pictures;
};

Surface blankSkin()
{
    Surface skin;
    skin.create(skinWidth, skinHeight);
    skin.fillRect(skin.bounds(), 0);
    return skin;
}

TEST(SkinLayout, EverySpriteTheScreenCutsIsARegionTheGeneratorPaints)
{
    const Surface skin = blankSkin();
    SkinPictures cut;

    SkinSprites shared;
    shared.cut(skin);
    cut.add("knob", shared.knobs);
    cut.add("highlighted knob", shared.highlightedKnobs);
    cut.add("lamp on", shared.lampOn);
    cut.add("lamp off", shared.lampOff);
    cut.add("button normal", shared.buttonNormal);
    cut.add("button hover", shared.buttonHover);
    cut.add("button pressed", shared.buttonPressed);

    PanelSprites panels;
    panels.cut(skin);
    cut.add("channel header", panels.channelHeader);
    cut.add("song text caption", panels.songTextCaptions);
    cut.add("knob bar caption", panels.knobBarCaptions);
    cut.add("playback caption", panels.playbackCaptions);
    cut.add("mode lamp on", panels.modeLampsOn);
    cut.add("mode lamp off", panels.modeLampsOff);

    const std::pair<const char*, const KeyboardTable*> keyboards[] = {
        {"KB.FULL", &kbFullTable}, {"KB.HALF", &kbHalfTable}, {"KB.FLOW7", &flow7Table}, {"KB.FLOW12", &flow12Table}};
    for (const auto& [name, table] : keyboards) {
        KeyboardSprites keyboard;
        keyboard.cut(skin, *table);
        cut.add(std::string(name) + " octave", keyboard.octave);
        cut.add(std::string(name) + " key", keyboard.keys);
        if (table->hasGlows()) {
            cut.add(std::string(name) + " glow", keyboard.glows);
        }
    }
    for (const bool twelveLanes : {false, true}) {
        FlowSprites flow;
        flow.cut(skin, twelveLanes);
        const std::string name = twelveLanes ? "KB.FLOW12" : "KB.FLOW7";
        cut.add(name + " glow", flow.glow);
        cut.add(name + " white mark", flow.whiteMark);
        cut.add(name + " black mark", flow.blackMark);
    }
    DrumSprites drums;
    drums.cut(skin);
    cut.add("drum kit", drums.kit);
    cut.add("drum mark", drums.marks);
    cut.add("drum glow", drums.glows);
    for (size_t lane = 0; lane < drumLanes.size(); ++lane) {
        EXPECT_EQ(drums.marks[lane].width, drumLanes[lane].width) << "drum lane " << lane;
        EXPECT_EQ(drums.glows[lane].width, drumLanes[lane].width) << "drum lane " << lane;
    }

    // The tabs and transport buttons, as the built screen cut them from the loaded skin.
    testing::ScreenFixture screen;
    screen.open();
    const Controls& controls = screen.session.mainScreen.controls();
    cut.add("tab", controls.tabSprites);
    for (const auto& [name, button] : {std::pair{"play/pause", &controls.playPause}, std::pair{"stop", &controls.stop}}) {
        cut.add(std::string(name) + " normal", button->normal);
        cut.add(std::string(name) + " hover", button->hover);
        cut.add(std::string(name) + " pressed", button->pressedImage);
    }
    cut.add("cursor", Sprite::cut(skin, MouseState::cursorX, MouseState::cursorY, MouseState::cursorWidth,
                                  MouseState::cursorHeight));

    EXPECT_EQ(cut.pictures.size(), 166u);
    for (const CutPicture& picture : cut.pictures) {
        const SkinRect& r = picture.rect;
        EXPECT_NE(regionOf(r), nullptr) << picture.what << " cut at (" << r.x << ", " << r.y << ", " << r.width
                                         << ", " << r.height << ") is no painted region";
    }
}

// Every colour the screen reads, found by reading it from skins whose pixels hold their own
// x and y.
TEST(SkinLayout, EveryColourTheScreenReadsLiesInAColourRegion)
{
    Surface byX = blankSkin();
    Surface byY = blankSkin();
    for (int32_t y = 0; y < skinHeight; ++y) {
        for (int32_t x = 0; x < skinWidth; ++x) {
            byX.at(x, y) = static_cast<Pixel>(x + 1);
            byY.at(x, y) = static_cast<Pixel>(y + 1);
        }
    }
    struct Sets {
        SkinSprites shared;
        PanelSprites panels;
        FlowSprites flow7;
        FlowSprites flow12;
        DrumSprites drums;

        explicit Sets(const Surface& skin)
        {
            shared.cut(skin);
            panels.cut(skin);
            flow7.cut(skin, false);
            flow12.cut(skin, true);
            drums.cut(skin);
        }
        // Every colour read, in one order.
        std::vector<std::pair<std::string, Pixel>> colours() const
        {
            std::vector<std::pair<std::string, Pixel>> all;
            const auto addAll = [&all](const std::string& what, const auto& run) {
                for (size_t i = 0; i < run.size(); ++i) {
                    all.emplace_back(what + " " + std::to_string(i), run[i]);
                }
            };
            addAll("keyboard colour", shared.keyboardColours);
            all.emplace_back("spare colour", shared.spareColour);
            addAll("level ramp", panels.levelRamp);
            addAll("centred ramp", panels.centredRamp);
            for (const FlowSprites* flow : {&flow7, &flow12}) {
                all.emplace_back("flow lane A", flow->laneA);
                all.emplace_back("flow lane B", flow->laneB);
                all.emplace_back("flow beat line", flow->beatLine);
                all.emplace_back("flow measure line", flow->measureLine);
            }
            addAll("drum lane colour", drums.laneColours);
            return all;
        }
    };
    const auto xs = Sets(byX).colours();
    const auto ys = Sets(byY).colours();
    ASSERT_EQ(xs.size(), 50u);
    for (size_t i = 0; i < xs.size(); ++i) {
        const int32_t x = xs[i].second - 1;
        const int32_t y = ys[i].second - 1;
        bool inColours = false;
        for (const Region& region : skinRegions()) {
            inColours = inColours || (region.use == RegionUse::Colours && region.rect.contains(x, y));
        }
        EXPECT_TRUE(inColours) << xs[i].first << " read at (" << x << ", " << y << ")";
    }
}

}  // namespace
}  // namespace quorva
