#include "screen_fixture.h"

#include "app/mouse_state.h"
#include "ui/widgets.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorva {
namespace {

using testing::ScreenFixture;

struct Recorder {
    std::vector<std::string>* calls = nullptr;
    std::string name;
    CallbackNode node;
    bool unlinkSelf = false;
    void call()
    {
        calls->push_back(name);
        if (unlinkSelf) {
            CallbackList::unlink(node);
        }
    }
};

TEST(CallbackList, WalksInOrderAndSurvivesANodeUnlinkingItself)
{
    std::vector<std::string> calls;
    std::array<Recorder, 3> recorders;
    for (size_t i = 0; i < recorders.size(); ++i) {
        recorders[i].calls = &calls;
        recorders[i].name = std::string(1, static_cast<char>('a' + i));
    }
    CallbackList list;
    EXPECT_TRUE(list.empty());
    for (Recorder& recorder : recorders) {
        recorder.node.bind<Recorder, &Recorder::call>(recorder);
        EXPECT_FALSE(recorder.node.linked());
        list.append(recorder.node);
        EXPECT_TRUE(recorder.node.linked());
    }
    recorders[1].unlinkSelf = true;
    list.walk();
    EXPECT_EQ(calls, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_FALSE(recorders[1].node.linked());
    EXPECT_EQ(list.size(), 2u);

    // Unlinking a node that is in no list changes nothing; appending again goes to the end.
    CallbackList::unlink(recorders[1].node);
    recorders[1].unlinkSelf = false;
    list.append(recorders[1].node);
    list.append(recorders[0].node);  // moves from the front to the end
    calls.clear();
    list.walk();
    EXPECT_EQ(calls, (std::vector<std::string>{"c", "b", "a"}));

    // The last node unlinking itself ends the walk cleanly.
    recorders[0].unlinkSelf = true;
    calls.clear();
    list.walk();
    list.walk();
    EXPECT_EQ(calls, (std::vector<std::string>{"c", "b", "a", "c", "b"}));
}

TEST(ScreenHook, CallsOnlyWhenSet)
{
    int count = 0;
    struct Counter {
        int* count;
        void bump() { ++*count; }
    } counter{&count};
    ScreenHook hook;
    hook.call();
    EXPECT_FALSE(hook.set());
    hook.bind<Counter, &Counter::bump>(counter);
    hook.call();
    hook.call();
    hook.clear();
    hook.call();
    EXPECT_EQ(count, 2);
}

class WidgetTest : public ::testing::Test {
protected:
    void SetUp() override { screen.open(); }

    // One frame of input, then this test's own lists.
    void frame()
    {
        screen.frame();
        updates.walk();
        draws.walk();
    }

    ScreenFixture screen;
    CallbackList updates;
    CallbackList draws;
};

TEST_F(WidgetTest, PushButtonActsOnceAPressAndShowsItsStateByThePointer)
{
    Surface& surface = screen.session.screen.mainSurface;
    Surface images;
    images.create(3, 1);
    images.at(0, 0) = 0x0001;
    images.at(1, 0) = 0x0002;
    images.at(2, 0) = 0x0003;
    int actions = 0;
    PushButton button;
    button.init(screen.session.mainScreen.context(), {100, 200, 110, 210}, Sprite::cut(images, 0, 0, 1, 1),
                Sprite::cut(images, 1, 0, 1, 1), Sprite::cut(images, 2, 0, 1, 1), [&] { ++actions; }, &updates,
                &draws);
    screen.moveTo(50, 50);
    frame();
    EXPECT_EQ(surface.at(100, 200), 0x0001);  // normal
    screen.moveTo(109, 209);                   // last pixel inside
    frame();
    EXPECT_EQ(surface.at(100, 200), 0x0002);  // hover
    screen.press();
    frame();
    EXPECT_EQ(actions, 1);
    EXPECT_TRUE(button.pressed);
    EXPECT_EQ(surface.at(100, 200), 0x0003);
    for (int i = 0; i < 5; ++i) {
        frame();  // held
    }
    EXPECT_EQ(actions, 1);
    EXPECT_EQ(surface.at(100, 200), 0x0003);
    screen.moveTo(110, 209);  // right edge is outside
    frame();
    EXPECT_FALSE(button.pressed);
    EXPECT_EQ(surface.at(100, 200), 0x0001);
    screen.moveTo(105, 205);  // back inside while still held: not pressed again
    frame();
    EXPECT_FALSE(button.pressed);
    EXPECT_EQ(actions, 1);
    screen.release();
    frame();
    screen.press();
    frame();
    EXPECT_EQ(actions, 2);
    screen.release();
    frame();
    EXPECT_FALSE(button.pressed);
    // A press outside does nothing.
    screen.moveTo(99, 205);
    screen.press();
    frame();
    EXPECT_EQ(actions, 2);
}

TEST_F(WidgetTest, ScrollBarThumbDragsWithinItsTravelAndRightClickRestoresIt)
{
    ScrollBar bar;
    bar.init(screen.session.mainScreen.context(), 212, 56, 105, 420, 420, 840, screen.session.screen.mainSurface,
             &updates, &draws);
    EXPECT_EQ(bar.travel, 210);
    EXPECT_EQ(bar.thumbWidth(), 210);
    EXPECT_EQ(bar.offset, 210);
    // Grab the thumb 10 pixels into it and drag far right, then far left.
    screen.moveTo(212 + 105 + 10, 60);
    screen.press();
    frame();
    EXPECT_TRUE(bar.dragging);
    screen.moveTo(212 + 105 + 10 + 50, 100);  // leaving the bar vertically keeps the drag
    frame();
    EXPECT_EQ(bar.thumbPos, 155);
    EXPECT_EQ(bar.offset, 310);
    screen.moveTo(5000, 60);
    frame();
    EXPECT_EQ(bar.thumbPos, 210);
    EXPECT_EQ(bar.offset, 420);
    screen.moveTo(-5000, 60);
    frame();
    EXPECT_EQ(bar.thumbPos, 0);
    EXPECT_EQ(bar.offset, 0);
    screen.release();
    frame();
    EXPECT_FALSE(bar.dragging);
    // The thumb now spans 212..421; a right click on it restores position 105.
    screen.moveTo(421, 63);
    screen.press(true);
    frame();
    screen.release(true);
    frame();
    EXPECT_EQ(bar.thumbPos, 105);
    EXPECT_EQ(bar.offset, 210);
    // A right click beside the thumb (below its 8 rows) does nothing.
    screen.moveTo(400, 56);
    screen.press();
    frame();
    screen.moveTo(300, 56);
    frame();
    screen.release();
    frame();
    const int32_t moved = bar.thumbPos;
    EXPECT_NE(moved, 105);
    screen.moveTo(250, 64);
    screen.press(true);
    frame();
    screen.release(true);
    frame();
    EXPECT_EQ(bar.thumbPos, moved);
}

}  // namespace
}  // namespace quorva
