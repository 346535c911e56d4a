#include "app/application.h"

#include "app/player_memory.h"
#include "app/settings.h"
#include "app/window_size.h"
#include "app/working_directory.h"
#include "platform/bitmap_loader.h"
#include "platform/message_box.h"
#include "platform/single_instance.h"
#include "ports/port_selector.h"
#include "song/sequencer.h"

#include <cstdio>
#include <string>

namespace quorva {

namespace {

constexpr const char* skinFile = "bmp.dat";
constexpr const char* instrumentFile = "inst.dat";
constexpr int32_t frameRateX = 576;
constexpr int32_t frameRateY = 4;

}  // namespace

bool Application::fail(const char* text)
{
    parts_.messages.show(text);
    return false;
}

bool Application::init()
{
    commandLine_ = absoluteSongPath(commandLine_);
    if (parts_.singleInstance.handOff(commandLine_)) {
        handedOff_ = true;
        return false;
    }
    parts_.platform.enterDataDirectory();
    parts_.settings.readAtStartUp();
    if (memory_ != nullptr) {
        memory_->restore(parts_.settings.playerConfig());
    }
    if (!parts_.window.createWindow(rememberedWindowSize(parts_.settings.playerConfig()))) {
        return fail("main window create error");
    }
    if (!parts_.window.platform().createDisplay()) {
        return fail("ddraw create error");
    }
    if (!parts_.platform.startControlServer()) {
        return fail("dde create error");
    }
    if (!createSurfaces()) {
        return false;
    }
    parts_.fpsTimer.setLimit(parts_.settings.live().fpsLimit());
    if (!parts_.fpsTimer.start()) {
        return fail("fpstimer create error");
    }
    if (!parts_.platform.createTextFont()) {
        return fail("font create error");
    }
    if (!createFonts()) {
        return false;
    }
    parts_.mouse.setCursorSprite(parts_.screen.skin);
    parts_.mouse.setSystemCursor(parts_.settings.live().showSystemCursor());
    if (screen_ != nullptr) {
        screen_->cutSprites();
    }
    ScreenResources& screen = parts_.screen;
    screen.scrollBarDrawerReady = screen.scrollBarDrawer.create(screen.skin);
    if (!screen.scrollBarDrawerReady) {
        parts_.messages.show("scrbardrawer create error");
    }
    if (!parts_.instruments.load(instrumentFile)) {
        return fail("instrument create error");
    }
    parts_.settings.selectPortAtStartUp();
    if (!parts_.sequencer.startTimer()) {
        return fail("midiplay create error");
    }
    if (screen_ != nullptr) {
        screen_->build();
        screenBuilt_ = true;
    }
    parts_.window.clearFrameInput();
    if (!commandLine_.empty()) {
        if (songStarter_) {
            songStarter_();
        } else {
            parts_.sequencer.loadAndPlay(commandLine_);
        }
    }
    return true;
}

bool Application::createSurfaces()
{
    ScreenResources& screen = parts_.screen;
    if (!screen.mainSurface.create(ScreenResources::width, ScreenResources::height)) {
        return fail("dibmain create error");
    }
    screen.mainSurface.fillRect(screen.mainSurface.bounds(), 0);
    if (!screen.skin.load(parts_.bitmaps, skinFile)) {
        return fail("dib0 create error");
    }
    if (!screen.panelDrawer.create(screen.skin)) {
        return fail("tile drawer create error");
    }
    screen.panelDrawer.setTarget(screen.mainSurface);
    return true;
}

bool Application::createFonts()
{
    if (const auto failed = parts_.screen.fonts.load(parts_.bitmaps)) {
        const std::string text = std::string(*failed) + " create error";
        return fail(text.c_str());
    }
    return true;
}

uint32_t Application::frameSleepMs() const
{
    return parts_.window.active() ? parts_.settings.live().sleepActive() : parts_.settings.live().sleepInactive();
}

void Application::idle()
{
    if (const uint32_t sleep = frameSleepMs(); sleep != 0) {
        parts_.sleeper.sleepMs(sleep);
    }
    parts_.mouse.update(parts_.window.input());
    parts_.modeSwitch.check();
    if (screenBuilt_) {
        screen_->update();
        screen_->draw();
    }
    drawFrameRate();
    Surface& surface = parts_.screen.mainSurface;
    parts_.mouse.drawCursor(surface);
    parts_.fpsTimer.frame();
    parts_.window.platform().present(surface.pixels(), surface.width(), surface.height(), surface.pitch());
    parts_.window.clearFrameInput();
}

void Application::drawFrameRate()
{
    char text[32];
    std::snprintf(text, sizeof text, "FPS:%6.2f", parts_.fpsTimer.measuredFps());
    parts_.screen.fonts.txnm.drawText(parts_.screen.mainSurface, frameRateX, frameRateY, text);
}

void Application::exit()
{
    // The window's size, the volume and the repeat mode are written once, as the window
    // closes, and only when one changed.
    PlayerConfig& config = parts_.settings.playerConfig();
    const bool sizeChanged = rememberWindowSize(config, parts_.window.platform().windowedSize());
    const bool choicesChanged = memory_ != nullptr && memory_->remember(config);
    if (sizeChanged || choicesChanged) {
        parts_.settings.savePlayerConfig();
    }
    parts_.sequencer.shutdown();
    parts_.ports.release();
    parts_.platform.stopControlServer();
}

int Application::run()
{
    while (parts_.window.processMessages()) {
        parts_.platform.serveBetweenFrames();
        idle();
    }
    exit();
    return 0;
}

}  // namespace quorva
