#include "screen_fixture.h"

#include "ui/main_screen.h"

#include <gtest/gtest.h>

namespace quorva {
namespace {

using testing::ScreenFixture;
using testing::TrackBuilder;

// A page that counts how often it joins and leaves the passes.
class CountingPage final : public View {
public:
    void prepare() override { ++prepared; }
    void activate() override { ++activated; }
    void deactivate() override { ++deactivated; }
    int prepared = 0;
    int activated = 0;
    int deactivated = 0;
};

std::vector<uint8_t> longSong()
{
    TrackBuilder track;
    track.event(0, {0x90, 60, 100}).event(480 * 200, {0x80, 60, 0});
    return testing::songOf(track);
}

TEST(Knobs, DragStepsTenPixelsClampsAndRightClickResets)
{
    ScreenFixture screen;
    screen.open();
    Controls& controls = screen.session.mainScreen.controls();
    ChannelMonitor& monitor = screen.session.monitor;
    screen.frame();
    EXPECT_FLOAT_EQ(monitor.speed, 1.0f);

    // Speed knob at (60, 30): 25 pixels right is two steps up, applied on the next frame.
    screen.moveTo(60, 30);
    screen.press();
    screen.frame();
    EXPECT_TRUE(controls.speed.dragging());
    screen.moveTo(85, 30);
    screen.frame();
    EXPECT_EQ(controls.speed.index(), 8);
    EXPECT_FLOAT_EQ(monitor.speed, 1.0f);
    screen.frame();
    EXPECT_FLOAT_EQ(monitor.speed, 1.5f);
    screen.moveTo(60, 55);  // 25 down from the start: two steps below it
    screen.frame();
    EXPECT_EQ(controls.speed.index(), 4);
    screen.moveTo(69, 30);  // 9 pixels: not yet a step
    screen.frame();
    EXPECT_EQ(controls.speed.index(), 6);
    screen.moveTo(-2000000000, 2000000000);
    screen.frame();
    EXPECT_EQ(controls.speed.index(), 0);
    screen.moveTo(2000000000, -2000000000);
    screen.frame();
    EXPECT_EQ(controls.speed.index(), 12);
    screen.frame();
    EXPECT_FLOAT_EQ(monitor.speed, 8.0f);
    screen.release();
    screen.frame();
    EXPECT_FALSE(controls.speed.dragging());

    // The reset comes with the right button's release over the knob.
    screen.moveTo(60, 30);
    screen.press(true);
    screen.frame();
    EXPECT_EQ(controls.speed.index(), 12);
    screen.moveTo(90, 30);
    screen.release(true);
    screen.frame();
    EXPECT_EQ(controls.speed.index(), 12);
    // A right click on the knob returns it to 1.0; right beside its box it does nothing.
    screen.click(66, 30, true);
    EXPECT_EQ(controls.speed.index(), 12);
    screen.click(65, 35, true);
    EXPECT_EQ(controls.speed.index(), 6);
    screen.frame();
    EXPECT_FLOAT_EQ(monitor.speed, 1.0f);

    // The flow scale knob (180, 30) defaults to 1.0, index 2, target 64.
    EXPECT_EQ(monitor.flowScaleTarget, 64);
    screen.moveTo(180, 30);
    screen.press();
    screen.frame();
    screen.moveTo(220, 30);
    screen.frame();
    screen.release();
    screen.frame();
    EXPECT_EQ(controls.flowScale.index(), 6);
    EXPECT_EQ(monitor.flowScaleTarget, 128);
    screen.click(175, 25, true);
    screen.frame();
    EXPECT_EQ(controls.flowScale.index(), 2);
    EXPECT_EQ(monitor.flowScaleTarget, 64);
}

TEST(Knobs, TargetsAndLabels)
{
    ScreenFixture screen;
    screen.open();
    Controls& controls = screen.session.mainScreen.controls();
    ChannelMonitor& monitor = screen.session.monitor;
    controls.transpose.moveTo(0);
    controls.viewShift.moveTo(12);
    controls.flowScale.moveTo(12);
    screen.frame();
    EXPECT_EQ(monitor.transpose, -6);
    EXPECT_EQ(monitor.viewShift, 6);
    EXPECT_EQ(monitor.flowScaleTarget, 320);
    // Labels end at cx + 6, one row below the knob.
    EXPECT_TRUE(screen.showsText(120 + 6 - 8, 37, "-6", true));
    EXPECT_TRUE(screen.showsText(144 + 6 - 8, 37, "+6", true));
    EXPECT_TRUE(screen.showsText(180 + 6 - 12, 37, "5.0", true));
    EXPECT_TRUE(screen.showsText(60 + 6 - 12, 37, "1.0", true));
    EXPECT_TRUE(screen.showsText(24 + 6 - 4, 37, "6", true));
    controls.transpose.moveTo(6);
    screen.frame();
    EXPECT_EQ(monitor.transpose, 0);
    EXPECT_TRUE(screen.showsText(120 + 6 - 4, 37, "0", true));

    // A knob that is not moved is not written again: a transpose set elsewhere stays.
    monitor.transpose = 3;
    screen.frame();
    EXPECT_EQ(monitor.transpose, 3);
}

TEST(Knobs, MuteLevelComesFromTheSettingsAndIsWrittenOnTheFirstFrame)
{
    ScreenFixture screen;
    Settings settings;
    settings.muteLevelIndex = 0;
    screen.session.settings.setLive(settings);
    screen.open();
    ChannelMonitor& monitor = screen.session.monitor;
    EXPECT_EQ(screen.session.mainScreen.controls().muteLevel.index(), 0);
    EXPECT_EQ(monitor.muteLevel, 6);  // not yet written
    screen.frame();
    EXPECT_EQ(monitor.muteLevel, 0);

    // The settings' apply path moves the knob as its default: 5 -> position 10.
    screen.session.mainScreen.setMuteKnob(5);
    screen.frame();
    EXPECT_EQ(monitor.muteLevel, 10);
    screen.click(24, 30, true);
    EXPECT_EQ(screen.session.mainScreen.controls().muteLevel.index(), 10);
    EXPECT_TRUE(screen.showsText(24 + 6 - 8, 37, "10", true));
}

TEST(Tabs, SwitchPagesAndTheCurrentTabDoesNothing)
{
    ScreenFixture screen;
    CountingPage first;
    CountingPage option;
    screen.session.mainScreen.registerPage(1, first);
    screen.session.mainScreen.registerPage(6, option);
    screen.open();
    MainScreen& main = screen.session.mainScreen;
    EXPECT_EQ(first.prepared, 1);
    EXPECT_EQ(option.prepared, 1);
    EXPECT_EQ(main.mode(), 1);
    EXPECT_EQ(first.activated, 1);
    EXPECT_EQ(main.currentView(), &first);

    screen.click(0, 0);  // the current tab
    EXPECT_EQ(first.activated, 1);
    EXPECT_EQ(first.deactivated, 0);

    screen.click(64 * 5, 15);  // OPTION
    EXPECT_EQ(main.mode(), 6);
    EXPECT_EQ(first.deactivated, 1);
    EXPECT_EQ(option.activated, 1);
    EXPECT_EQ(main.currentView(), &option);
    // The channel buttons keep their behaviour on the option page.
    EXPECT_EQ(main.channelButton(0).behaviour(), ChannelButton::Behaviour::Mute);

    screen.click(64 * 2 + 63, 8);  // KB.FLOW7: the player's own flow page
    EXPECT_EQ(main.mode(), 3);
    EXPECT_EQ(option.deactivated, 1);
    EXPECT_EQ(main.channelButton(0).behaviour(), ChannelButton::Behaviour::KeyboardSelection);
    EXPECT_TRUE(main.drawHook().set());
    EXPECT_EQ(main.currentView(), &screen.session.pages.flow7);

    screen.click(64 * 4, 16);  // below the tab row: nothing
    EXPECT_EQ(main.mode(), 3);
    screen.click(64 * 6, 8);  // right of the last tab: nothing
    EXPECT_EQ(main.mode(), 3);

    // The selected tab shows its own image; the one under the pointer the hover image.
    const Surface& skin = screen.session.screen.skin;
    screen.moveTo(64 * 4 + 1, 1);
    screen.frame();
    EXPECT_EQ(screen.at(64 * 2 + 1, 1), skin.at(1, 161));
    EXPECT_EQ(screen.at(64 * 4 + 1, 1), skin.at(1, 145));
    EXPECT_EQ(screen.at(64 * 0 + 1, 1), skin.at(1, 129));

    // Modes outside 1..6 are kept but change no page.
    View* shown = main.currentView();
    main.setMode(9);
    EXPECT_EQ(main.mode(), 9);
    EXPECT_EQ(main.currentView(), shown);
    EXPECT_EQ(main.channelButton(0).behaviour(), ChannelButton::Behaviour::KeyboardSelection);
}

TEST(Transport, PlayPauseFollowsThePlayStateAndStopThenPlayStartsAgain)
{
    ScreenFixture screen;
    screen.open();
    Sequencer& sequencer = screen.session.sequencer;
    // No song: play/pause does nothing.
    screen.click(250, 428);
    EXPECT_EQ(sequencer.state(), PlayState::Idle);

    screen.play(longSong());
    screen.runUntil(1000);
    ASSERT_EQ(sequencer.state(), PlayState::Playing);
    screen.click(240, 420);  // play/pause's top-left pixel
    EXPECT_EQ(sequencer.state(), PlayState::Paused);
    screen.click(263, 435);
    EXPECT_EQ(sequencer.state(), PlayState::Playing);
    screen.runUntil(2000);
    EXPECT_GT(sequencer.position(), 0.0);

    screen.click(239, 435);  // stop's bottom-right pixel
    EXPECT_EQ(sequencer.state(), PlayState::Stopped);
    EXPECT_FALSE(sequencer.playing());
    screen.click(250, 428);
    EXPECT_EQ(sequencer.state(), PlayState::Playing);
    EXPECT_EQ(sequencer.position(), 0.0);
    // Just outside both buttons: nothing.
    screen.click(264, 428);
    screen.click(230, 436);
    EXPECT_EQ(sequencer.state(), PlayState::Playing);
}

}  // namespace
}  // namespace quorva
