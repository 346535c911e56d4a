#include "app/application.h"
#include "app/program_settings_effects.h"
#include "app/settings.h"
#include "platform/fake/capture_port.h"
#include "platform/fake/recording_message_box.h"
#include "platform/manual_clock.h"
#include "platform/fake/memory_bitmap_loader.h"
#include "platform/fake/scripted_window.h"
#include "platform/single_instance.h"
#include "ports/port_selector.h"
#include "song/channel_monitor.h"
#include "song/sequencer.h"
#include "song/smf_file.h"
#include "support/temp_dir.h"
#include "ui/main_screen.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace quorva {
namespace {

class FakeStartup final : public StartupPlatform {
public:
    explicit FakeStartup(std::filesystem::path dataDirectory) : dataDirectory_(std::move(dataDirectory)) {}
    ~FakeStartup() override
    {
        if (!previous_.empty()) {
            std::filesystem::current_path(previous_);
        }
    }
    void enterDataDirectory() override
    {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(dataDirectory_);
    }
    bool startControlServer() override
    {
        serverStarted = !failServer;
        return serverStarted;
    }
    void stopControlServer() override { serverStopped = true; }
    bool createTextFont() override { return !failFont; }

    bool failServer = false;
    bool failFont = false;
    bool serverStarted = false;
    bool serverStopped = false;

private:
    std::filesystem::path dataDirectory_;
    std::filesystem::path previous_;
};

class OtherCopy final : public SingleInstance {
public:
    bool handOff(std::string_view commandLine) override
    {
        handed = std::string(commandLine);
        return true;
    }
    std::string handed;
};

class CaptureFactory final : public PortFactory {
public:
    std::unique_ptr<MidiPort> makeMidiOut() override { return make(); }
    std::unique_ptr<MidiPort> makeSoftSynth() override { return make(); }
    std::unique_ptr<MidiPort> makeFmSynth() override { return make(); }
    std::unique_ptr<MidiPort> makeNull() override { return make(); }

    bool failOpen = false;
    std::vector<CapturePort*> made;

private:
    std::unique_ptr<MidiPort> make()
    {
        auto port = std::make_unique<CapturePort>();
        port->openResult = !failOpen;
        made.push_back(port.get());
        return port;
    }
};

// Frame sleeps, recorded without sleeping.
class RecordingSleeper final : public Sleeper {
public:
    void sleepMs(uint32_t ms) override { sleeps.push_back(ms); }
    void spinPause() override {}
    std::vector<uint32_t> sleeps;
};

// The pacing waits of the frame timer, which move the manual clock.
class ClockSleeper final : public Sleeper {
public:
    explicit ClockSleeper(ManualClock& clock) : clock_(clock) {}
    void sleepMs(uint32_t ms) override { clock_.advance(ms); }
    void spinPause() override { clock_.advance(1); }

private:
    ManualClock& clock_;
};

LoadedBitmap whiteBitmap(int32_t width, int32_t height)
{
    LoadedBitmap bitmap;
    bitmap.width = width;
    bitmap.height = height;
    bitmap.pixels.assign(static_cast<size_t>(width) * height, 0x7FFF);
    return bitmap;
}

// A dark grey skin with a white cursor image.
LoadedBitmap skinBitmap(int32_t width, int32_t height)
{
    LoadedBitmap bitmap = whiteBitmap(width, height);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            if (!(x < 16 && y >= 104 && y < 128)) {
                bitmap.pixels[static_cast<size_t>(y) * width + x] = 0x2108;
            }
        }
    }
    return bitmap;
}

// A format 0 song of one note.
const std::vector<uint8_t> oneNoteSong = {
    'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96,
    'M', 'T', 'r', 'k', 0, 0, 0, 12, 0, 0x90, 60, 100, 96, 0x80, 60, 0, 0, 0xFF, 0x2F, 0};

// Every part of the program on fakes, with its data files in a temporary directory.
struct Program {
    Program()
    {
        bitmaps.add("bmp.dat", skinBitmap(64, 160));
        bitmaps.add("fnm.dat", whiteBitmap(60, 80));
        bitmaps.add("fsm.dat", whiteBitmap(40, 60));
        data.write("inst.dat", std::string("Piano\r\nOrgan\r\n"));
        data.write("song.mid", oneNoteSong);
    }

    void writeSettings(const Settings& record) { quorva::writeSettings(record, (data.path() / "setting.dat").string()); }

    testing::TempDir data;
    FakeStartup startup{data.path()};
    NoOtherInstance noOtherCopy;
    RecordingMessageBox messages;
    CaptureFactory factory;
    PortSelector ports{factory};
    ChannelMonitor monitor{ports};
    SmfFile song;
    ManualTimer timer;
    Sequencer sequencer{song, monitor, ports, timer};
    ManualClock clock{1000};
    ClockSleeper pacing{clock};
    FpsTimer fpsTimer{clock, pacing};
    RecordingSleeper frameSleeper;
    ScriptedWindow platform;
    WindowModeSwitch modeSwitch{platform};
    InstrumentNames instruments;
    MouseState mouse{platform};
    ScreenResources screen;
    MainWindow window{platform};
    ProgramSettingsEffects effects{fpsTimer, mouse};
    SettingsKeeper settings{ports, sequencer, messages, effects};
    MemoryBitmapLoader bitmaps;
    MainScreen mainScreen{{mouse, screen.mainSurface, screen.skin, screen.fonts, screen.panelDrawer,
                           &screen.scrollBarDrawer, nullptr, sequencer, monitor, instruments, settings, window,
                           clock, fpsTimer}};

    Application make(SingleInstance& instance)
    {
        Application application({startup, instance, messages, settings, window, mouse, modeSwitch, fpsTimer,
                                 frameSleeper, instruments, screen, bitmaps, ports, sequencer});
        application.setScreen(mainScreen);
        return application;
    }
    Application make() { return make(noOtherCopy); }
};

TEST(Application, SecondCopyHandsOverAndEndsSilently)
{
    Program program;
    OtherCopy other;
    Application application = program.make(other);
    application.setCommandLine("song.mid");
    EXPECT_FALSE(application.init());
    EXPECT_TRUE(application.handedOff());
    EXPECT_EQ(other.handed, (std::filesystem::current_path() / "song.mid").string());  // valid in any directory
    EXPECT_TRUE(program.messages.shown.empty());
    EXPECT_FALSE(program.platform.created);
}

TEST(Application, EachFailingStepShowsOnlyItsOwnMessage)
{
    struct Case {
        const char* text;
        void (*breakIt)(Program&);
    };
    const std::vector<Case> cases = {
        {"main window create error", [](Program& p) { p.platform.failCreateWindow = true; }},
        {"ddraw create error", [](Program& p) { p.platform.failCreateDisplay = true; }},
        {"dde create error", [](Program& p) { p.startup.failServer = true; }},
        {"dib0 create error", [](Program& p) { p.bitmaps = MemoryBitmapLoader{}; }},
        {"tile drawer create error", [](Program& p) { p.bitmaps.add("bmp.dat", whiteBitmap(1, 1)); }},
        {"font create error", [](Program& p) { p.startup.failFont = true; }},
        {"txnm create error", [](Program& p) { p.bitmaps.add("fnm.dat", LoadedBitmap{2, 2, {}}); }},
        {"txsm create error", [](Program& p) { p.bitmaps.add("fsm.dat", LoadedBitmap{2, 2, {}}); }},
        {"instrument create error", [](Program& p) { std::filesystem::remove(p.data / "inst.dat"); }},
        {"midiplay create error", [](Program& p) { p.timer.failStart = true; }},
    };
    for (const Case& c : cases) {
        Program program;
        c.breakIt(program);
        Application application = program.make();
        EXPECT_FALSE(application.init()) << c.text;
        EXPECT_EQ(program.messages.shown, std::vector<std::string>{c.text});
    }
}

TEST(Application, PortAndScrollBarFailuresDoNotEndStartUp)
{
    Program program;
    program.factory.failOpen = true;
    program.bitmaps.add("bmp.dat", whiteBitmap(16, 160));  // too narrow for the scroll bar
    Application application = program.make();
    ASSERT_TRUE(application.init());
    EXPECT_EQ(program.messages.shown, (std::vector<std::string>{"scrbardrawer create error", "midiport create error"}));
    EXPECT_EQ(program.ports.kind(), PortKind::NullOut);
    EXPECT_EQ(program.settings.live().output, Settings::Null);
    EXPECT_TRUE(program.timer.running());
}

TEST(Application, StartsFromTheSettingsAndPlaysTheCommandLineSong)
{
    Program program;
    Settings record;
    record.output = Settings::FmSynth;
    record.fpsLimitIndex = 3;  // 120
    record.systemCursor = 1;
    program.writeSettings(record);
    Application application = program.make();
    // A path relative to where the program was started still names the song after start-up
    // has moved to the program's own directory.
    std::filesystem::current_path(program.data.path().parent_path());
    application.setCommandLine((program.data.path().filename() / "song.mid").string());
    ASSERT_TRUE(application.init());
    EXPECT_TRUE(program.messages.shown.empty());
    EXPECT_EQ(std::filesystem::current_path(), program.data.path());
    EXPECT_EQ(program.settings.live(), record);
    EXPECT_EQ(program.ports.kind(), PortKind::FmSynthOut);
    EXPECT_DOUBLE_EQ(program.fpsTimer.fpsLimit(), 120.0);
    EXPECT_TRUE(program.mouse.systemCursorShown());
    EXPECT_EQ(program.instruments.name(1), "Organ");
    EXPECT_TRUE(program.platform.displayCreated);
    EXPECT_TRUE(program.startup.serverStarted);
    EXPECT_EQ(program.sequencer.state(), PlayState::Playing);

    application.exit();
    EXPECT_FALSE(program.timer.running());
    EXPECT_FALSE(program.ports.hasPort());
    EXPECT_TRUE(program.startup.serverStopped);
    ASSERT_FALSE(program.factory.made.empty());
}

TEST(Application, FrameSleepFollowsTheWindowsActivity)
{
    Program program;
    Settings record;
    record.sleepActiveIndex = 0;    // no sleep
    record.sleepInactiveIndex = 4;  // 50 ms
    program.writeSettings(record);
    Application application = program.make();
    ASSERT_TRUE(application.init());
    application.idle();
    application.idle();
    EXPECT_TRUE(program.frameSleeper.sleeps.empty());

    program.platform.push({WindowEventKind::Deactivated});
    program.window.processMessages();
    application.idle();
    EXPECT_EQ(program.frameSleeper.sleeps, std::vector<uint32_t>{50});

    program.platform.push({WindowEventKind::Activated});
    program.window.processMessages();
    program.settings.apply([] {
        Settings other;
        other.sleepActiveIndex = 4;  // 10 ms
        return other;
    }());
    application.idle();
    EXPECT_EQ(program.frameSleeper.sleeps, (std::vector<uint32_t>{50, 10}));
}

TEST(Application, FrameDrawsPresentsAndForgetsItsInput)
{
    Program program;
    Application application = program.make();
    ASSERT_TRUE(application.init());
    program.platform.pointerPosition = {300, 200, true};
    program.platform.push({WindowEventKind::LeftDown, 1});
    program.platform.push({WindowEventKind::DropBegin});
    program.platform.push({WindowEventKind::DropFile, 1, (program.data / "song.mid").string()});
    program.window.processMessages();
    ASSERT_TRUE(program.window.filePending());

    application.idle();
    EXPECT_EQ(program.platform.presented, 1);
    ASSERT_EQ(program.platform.lastPicture.size(), 640u * 480u);
    auto at = [&](int x, int y) { return program.platform.lastPicture[static_cast<size_t>(y) * 640 + x]; };
    // The main screen, built at start-up on page 1 (its knob bar panel at the left edge), the
    // frame-rate text in light grey, the blended cursor at the pointer.
    EXPECT_EQ(program.mainScreen.mode(), 1);
    EXPECT_EQ(at(2, 30), program.screen.panelDrawer.bodyColour());
    int inked = 0;
    for (int y = 4; y < 12; ++y) {
        for (int x = 576; x < 640; ++x) {
            inked += at(x, y) == inkLightGrey;
        }
    }
    EXPECT_GT(inked, 100);
    // The 16x24 cursor image is white, blended over the panel beside it.
    const Pixel panel = at(316, 200);
    EXPECT_EQ(at(300, 200), blendPixel(white, panel, 21));
    EXPECT_EQ(at(315, 223), blendPixel(white, panel, 21));
    EXPECT_EQ(at(300, 224), panel);
    EXPECT_NE(panel, blendPixel(white, panel, 21));
    EXPECT_EQ(program.mouse.left(), button::Pressed);
    // The dropped song was taken by the frame, and the frame's input is gone.
    EXPECT_EQ(program.sequencer.state(), PlayState::Playing);
    EXPECT_FALSE(program.window.filePending());
    EXPECT_FALSE(program.window.input().leftDown);

    application.idle();
    EXPECT_EQ(program.mouse.left(), button::Held);

    program.platform.push({WindowEventKind::Quit});
    EXPECT_EQ(application.run(), 0);
    EXPECT_EQ(program.platform.presented, 2);
    EXPECT_FALSE(program.timer.running());
}

}  // namespace
}  // namespace quorva
