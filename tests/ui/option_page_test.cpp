#include "app/fps_timer.h"
#include "app/instrument_names.h"
#include "app/main_window.h"
#include "app/mouse_state.h"
#include "app/screen_resources.h"
#include "app/settings.h"
#include "app/sleeper.h"
#include "platform/fake/scripted_window.h"
#include "support/player_fixture.h"
#include "support/temp_dir.h"
#include "ui/views.h"

#include <gtest/gtest.h>

namespace quorva {
namespace {

// Counts what applying settings does beyond the port.
class CountingEffects final : public SettingsEffects {
public:
    void setFpsLimit(uint32_t) override { ++applied; }
    void showSystemCursor(bool shown) override { cursorShown = shown; }
    void setMuteLevelControl(uint8_t level) override { muteLevel = level; }

    int applied = 0;
    bool cursorShown = false;
    int muteLevel = -1;
};

// The main screen with its six pages on a capture port, fed one frame of mouse input at a time.
// The skin and the fonts are blank: these tests look at behaviour, not pictures.
struct OptionPageTest : ::testing::Test {
    OptionPageTest()
    {
        screen.mainSurface.create(640, 480);
        screen.skin.create(480, 176);
        screen.skin.fillRect(screen.skin.bounds(), 0x1234);
        screen.panelDrawer.create(screen.skin);
        screen.panelDrawer.setTarget(screen.mainSurface);
        ports.selectNull();
        mainScreen.cutSprites();
        pages.registerWith(mainScreen);
        mainScreen.build();
        mainScreen.setMode(6);
    }

    // One frame: the pointer at (x, y) with the left button going down and/or up.
    void frame(int32_t x, int32_t y, bool down = false, bool up = false)
    {
        platform.pointerPosition = {x, y, true};
        mouse.update({false, false, up, down, false});
        mainScreen.update();
        mainScreen.draw();
    }
    void click(int32_t x, int32_t y)
    {
        frame(x, y, true);
        frame(x, y, false, true);
    }

    ManualClock clock{0};
    ManualTimer timer;
    RecordingMessageBox messages;
    testing::CaptureFactory factory{&clock};
    PortSelector ports{factory};
    ChannelMonitor monitor{ports};
    SmfFile song{&messages};
    Sequencer sequencer{song, monitor, ports, timer};
    ScriptedWindow platform;
    MainWindow window{platform};
    MouseState mouse{platform};
    ScreenResources screen;
    InstrumentNames instruments;
    ThreadSleeper sleeper;
    FpsTimer fpsTimer{clock, sleeper};
    CountingEffects effects;
    SettingsKeeper settings{ports, sequencer, messages, effects};
    MainScreen mainScreen{{mouse, screen.mainSurface, screen.skin, screen.fonts, screen.panelDrawer, nullptr, nullptr,
                           sequencer, monitor, instruments, settings, window, clock, fpsTimer}};
    ScreenPages pages{mainScreen};
};

constexpr int32_t applyX = 330;
constexpr int32_t saveX = 460;
constexpr int32_t buttonY = 340;

TEST_F(OptionPageTest, RowsAndButtonsStandWhereTheyShould)
{
    const OptionPage& page = pages.options;
    EXPECT_EQ(page.row(0).label(), "OUTPUT:");
    EXPECT_EQ(page.row(2).label(), "  SAMPLIN'RATE:");
    EXPECT_EQ(page.row(11).label(), "SLEEP(NON-ACTIVE):");
    EXPECT_TRUE(page.row(1).items().empty());
    EXPECT_TRUE(page.row(4).items().empty());
    // "[100ms]'": the third BUFFER-LEN item, 54 pixels a step from x 348, 8 characters wide.
    const ChoiceItem& item = page.row(5).items()[2];
    EXPECT_EQ(item.text, "[100ms]'");
    EXPECT_EQ(item.box, (Rect{456, 176, 504, 184}));
    EXPECT_EQ(page.row(0).items()[3].box, (Rect{564, 96, 600, 104}));
    EXPECT_EQ(page.row(8).items()[6].box, (Rect{564, 224, 588, 232}));
    EXPECT_EQ(page.row(12).items()[4].text, "[NULL]");
    EXPECT_EQ(page.applyButton().box, (Rect{326, 336, 390, 352}));
    EXPECT_EQ(page.saveButton().box, (Rect{454, 336, 518, 352}));
}

TEST_F(OptionPageTest, ShownWithTheRunningSettingsAndCollectedBack)
{
    Settings live;
    live.output = 2;
    live.voiceIndex = 4;
    live.muteLevelIndex = 0;
    live.fpsLimitIndex = 4;
    live.effects = 7;  // any non-zero byte switches the effects on
    settings.setLive(live);
    mainScreen.setMode(1);
    mainScreen.setMode(6);
    EXPECT_EQ(pages.options.row(0).selected, 2);
    EXPECT_EQ(pages.options.row(3).selected, 1);
    EXPECT_EQ(pages.options.row(6).selected, 4);
    EXPECT_EQ(pages.options.row(12).selected, 4);
    Settings expected = live;
    expected.effects = 1;
    EXPECT_EQ(pages.options.collectSettings(), expected);
}

TEST_F(OptionPageTest, ApplyActsOncePerPressAndRecreatesThePortOnlyWhenItsChoiceChanges)
{
    const int portsBefore = factory.made;
    // A held press on APPLY applies once and keeps the button down until the release.
    frame(applyX, buttonY, true);
    for (int i = 0; i < 5; ++i) {
        frame(applyX, buttonY);
        EXPECT_TRUE(pages.options.applyButton().pressed);
    }
    frame(applyX, buttonY, false, true);
    EXPECT_FALSE(pages.options.applyButton().pressed);
    EXPECT_EQ(effects.applied, 1);
    EXPECT_EQ(effects.muteLevel, 6);
    EXPECT_EQ(factory.made, portsBefore);  // MM-OUT stays MM-OUT

    // The FM synthesizer, then only its voice count: a new port each time.
    click(500, 99);  // [QUORVA]
    click(applyX, buttonY);
    EXPECT_EQ(settings.live().output, 2);
    EXPECT_EQ(factory.made, portsBefore + 1);
    click(570, 195);  // [64] voices
    click(applyX, buttonY);
    EXPECT_EQ(settings.live().voiceIndex, 4);
    EXPECT_EQ(factory.made, portsBefore + 2);
    // A sleep, the cursor and the mute level need no new port; the mute knob follows.
    click(402, 259);
    click(410, 243);
    click(350, 227);
    click(applyX, buttonY);
    EXPECT_EQ(factory.made, portsBefore + 2);
    EXPECT_EQ(settings.live().sleepActiveIndex, 1);
    EXPECT_TRUE(effects.cursorShown);
    EXPECT_EQ(effects.muteLevel, 0);
    EXPECT_EQ(effects.applied, 4);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(OptionPageTest, APortThatCannotOpenFallsBackToNullAndThePageSaysSo)
{
    click(420, 99);  // [MS-SS]
    factory.nextOpenFails = true;
    click(applyX, buttonY);
    EXPECT_EQ(messages.shown, (std::vector<std::string>{"midiport create error"}));
    EXPECT_EQ(settings.live().output, 3);
    mainScreen.setMode(2);
    mainScreen.setMode(6);
    EXPECT_EQ(pages.options.row(0).selected, 3);
}

TEST_F(OptionPageTest, SaveWritesTheCollectedRecordOnlyAndNothingElse)
{
    std::vector<Settings> saved;
    pages.options.setSaver([&](const Settings& record) {
        saved.push_back(record);
        return SaveResult{};  // a failed write: the page says so, and no message box waits
    });
    const int portsBefore = factory.made;
    click(570, 195);  // [64] voices
    frame(saveX, buttonY, true);
    frame(saveX, buttonY);
    frame(saveX, buttonY, false, true);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].voiceIndex, 4);
    EXPECT_EQ(settings.live().voiceIndex, 2);
    EXPECT_EQ(factory.made, portsBefore);
    EXPECT_EQ(effects.applied, 0);
    EXPECT_TRUE(messages.shown.empty());
    // Without a saver of its own the page saves through the settings, where the next start
    // reads: the 11 bytes, written whole.
    testing::TempDir dir;
    const std::string path = (dir / "setting.dat").string();
    pages.options.setSaver(nullptr);
    SettingsLocation location;
    location.besideExecutable = path;
    settings.setLocation(location);
    click(saveX, buttonY);
    EXPECT_EQ(readSettings(path).toBytes(), (std::array<uint8_t, 11>{0, 1, 0, 2, 4, 2, 3, 0, 1, 2, 0}));
}

// Under the buttons the page says how SAVE went: "Settings saved." for two seconds; a
// failure, cut to the page's width with the path losing its beginning first, until the next
// SAVE or until the page is shown again.
TEST_F(OptionPageTest, SaveSaysOnThePageHowItWent)
{
    OptionPage& page = pages.options;
    SaveResult outcome{true, "/tmp/setting.dat", ""};
    page.setSaver([&](const Settings&) { return outcome; });
    EXPECT_EQ(page.saveStatus(), "");
    click(saveX, buttonY);
    EXPECT_EQ(page.saveStatus(), "Settings saved.");
    EXPECT_FALSE(page.saveFailed());
    clock.advance(OptionPage::savedShownMs - 1);
    frame(300, 200);
    EXPECT_EQ(page.saveStatus(), "Settings saved.");
    clock.advance(1);
    EXPECT_EQ(page.saveStatus(), "");

    const std::vector<std::pair<SaveResult, std::string>> failures = {
        {{false, "/tmp/setting.dat", "Read-only file system"}, "Could not save settings to /tmp/setting.dat: Read-only file system"},
        {{false, "/home/someone/.config/quorva/setting.dat", "No space left on device"},
         "Could not save settings to .../setting.dat: No space left on device"},
        {{false, "/a/setting.dat", std::string(60, 'r')}, "Could not save settings: " + std::string(42, 'r')},
        {{false, "", ""}, "Could not save settings."},
    };
    for (const auto& [result, shown] : failures) {
        outcome = result;
        click(saveX, buttonY);
        EXPECT_EQ(page.saveStatus(), shown);
        EXPECT_LE(page.saveStatus().size(), 67u);
        EXPECT_TRUE(page.saveFailed());
    }
    clock.advance(60000);
    frame(300, 200);
    EXPECT_EQ(page.saveStatus(), "Could not save settings.");
    mainScreen.setMode(1);
    mainScreen.setMode(6);
    EXPECT_EQ(page.saveStatus(), "");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(OptionPageTest, TheScrollBarJoinsTheListsOnlyWithTheViewsThatShowIt)
{
    ScrollBar& bar = mainScreen.keyboardScrollBar();
    const uint8_t joined[] = {2, 3, 4};
    const uint8_t apart[] = {1, 5, 6};
    for (uint8_t mode : joined) {
        mainScreen.setMode(mode);
        EXPECT_TRUE(bar.updateNode.linked()) << int(mode);
        EXPECT_TRUE(bar.drawNode.linked()) << int(mode);
        frame(400, 60);
    }
    for (uint8_t mode : apart) {
        mainScreen.setMode(mode);
        EXPECT_FALSE(bar.updateNode.linked()) << int(mode);
        frame(400, 60);
    }
    // Every page draws on a blank skin and an empty song without trouble.
    for (uint8_t mode = 1; mode <= 6; ++mode) {
        mainScreen.setMode(mode);
        frame(300, 200);
    }
}

}  // namespace
}  // namespace quorva
