#include "render/screen_session.h"

#include "platform/fake/bmp_bitmap_loader.h"
#include "base/file_reader.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace quorva {

namespace {

bool parseWhole(const std::string& word, long long low, long long high, long long& value)
{
    if (word.empty()) {
        return false;
    }
    char* end = nullptr;
    value = std::strtoll(word.c_str(), &end, 10);
    return end != nullptr && *end == '\0' && value >= low && value <= high;
}

bool parseButton(const std::string& word, bool& right)
{
    right = word == "right";
    return word == "left" || word == "right";
}

// Expands a 5-bit channel to 8 bits so that 0 stays 0 and 31 becomes 255.
uint8_t expand(uint32_t channel) { return static_cast<uint8_t>((channel << 3) | (channel >> 2)); }

void putLittleEndian(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

}  // namespace

std::optional<std::vector<ScriptEvent>> parseInputScript(const std::string& text, std::string& error)
{
    std::vector<ScriptEvent> events;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::istringstream words(line);
        std::string time;
        std::string verb;
        if (!(words >> time)) {
            continue;
        }
        const auto bad = [&] {
            error = "input line " + std::to_string(number) + " is not an event: " + line;
            return std::nullopt;
        };
        long long ms = 0;
        if (!parseWhole(time, 0, 0xFFFFFFFFLL, ms) || !(words >> verb)) {
            return bad();
        }
        ScriptEvent event;
        event.ms = static_cast<uint32_t>(ms);
        std::string first;
        std::string second;
        std::string extra;
        if (verb == "move") {
            long long x = 0;
            long long y = 0;
            if (!(words >> first >> second) || (words >> extra) || !parseWhole(first, -100000, 100000, x) ||
                !parseWhole(second, -100000, 100000, y)) {
                return bad();
            }
            event.kind = ScriptEvent::Kind::Move;
            event.x = static_cast<int32_t>(x);
            event.y = static_cast<int32_t>(y);
        } else if (verb == "press" || verb == "release") {
            if (!(words >> first) || (words >> extra) || !parseButton(first, event.right)) {
                return bad();
            }
            event.kind = verb == "press" ? ScriptEvent::Kind::Press : ScriptEvent::Kind::Release;
        } else if (verb == "double") {
            if (words >> extra) {
                return bad();
            }
            event.kind = ScriptEvent::Kind::Double;
        } else if (verb == "drop") {
            // The path is the rest of the line after one blank, blanks included.
            const size_t at = line.find("drop") + 4;
            event.path = at < line.size() ? line.substr(at + 1) : std::string();
            if (event.path.empty()) {
                return bad();
            }
            event.kind = ScriptEvent::Kind::Drop;
        } else {
            return bad();
        }
        events.push_back(std::move(event));
    }
    // Events apply in time order; lines of one time keep their order.
    std::stable_sort(events.begin(), events.end(),
                     [](const ScriptEvent& a, const ScriptEvent& b) { return a.ms < b.ms; });
    return events;
}

ScreenSession::ScreenSession(std::string dataDirectory, TextRenderer* text, PortFactory* factory)
    : ports(factory != nullptr ? *factory : nullFactory_),
      mainScreen({mouse, screen.mainSurface, screen.skin, screen.fonts, screen.panelDrawer, &screen.scrollBarDrawer,
                  text, sequencer, monitor, instruments, settings, window, clock, fpsTimer}),
      dataDirectory_(std::move(dataDirectory))
{
    // The player's pages; a test may register pages of its own over them before open().
    pages.registerWith(mainScreen);
    settingsEffects.screen = &mainScreen;
}

bool ScreenSession::open(std::string& error)
{
    const std::string directory = dataDirectory_.empty() ? std::string() : dataDirectory_ + "/";
    BmpBitmapLoader bitmaps;
    const auto fail = [&](const std::string& reason) {
        error = reason;
        return false;
    };
    if (!window.createWindow()) {
        return fail("cannot make the window");
    }
    // Until a script moves it, the pointer is off the picture, over no widget.
    platform.pointerPosition = {-1, -1, false};
    if (!screen.mainSurface.create(ScreenResources::width, ScreenResources::height)) {
        return fail("cannot make the main surface");
    }
    screen.mainSurface.fillRect(screen.mainSurface.bounds(), 0);
    if (!screen.skin.load(bitmaps, directory + "bmp.dat") || !screen.panelDrawer.create(screen.skin)) {
        return fail("cannot read the skin " + directory + "bmp.dat");
    }
    screen.panelDrawer.setTarget(screen.mainSurface);
    if (const auto failed = screen.fonts.load(bitmaps, directory + "fnm.dat", directory + "fsm.dat")) {
        return fail("cannot make the font " + std::string(*failed) + " from " + directory);
    }
    screen.scrollBarDrawerReady = screen.scrollBarDrawer.create(screen.skin);
    if (!instruments.load(directory + "inst.dat")) {
        return fail("cannot read " + directory + "inst.dat");
    }
    ports.selectNull();
    if (!sequencer.startTimer()) {
        return fail("cannot start the player");
    }
    fpsTimer.setLimit(0);
    fpsTimer.start();
    mainScreen.cutSprites();
    mainScreen.build();
    window.clearFrameInput();
    return true;
}

bool ScreenSession::loadAndPlay(const std::string& path, std::string& error)
{
    if (!readWholeFile(path)) {
        error = "cannot read " + path;
        return false;
    }
    clock.set(0);
    if (!sequencer.loadAndPlay(path)) {
        error = song.loadError() == SongLoadError::OutOfMemory
                    ? path + " is too big for the memory available"
                    : path + " is not a Standard MIDI File this player can play";
        return false;
    }
    return true;
}

void ScreenSession::deliverScript(uint32_t frameMs)
{
    if (releasePending_) {
        platform.push({WindowEventKind::LeftUp});
        releasePending_ = false;
    }
    while (nextScript_ < script_.size() && script_[nextScript_].ms <= frameMs) {
        const ScriptEvent& event = script_[nextScript_++];
        switch (event.kind) {
        case ScriptEvent::Kind::Move:
            platform.pointerPosition = {event.x, event.y, true};
            break;
        case ScriptEvent::Kind::Press:
            platform.push({event.right ? WindowEventKind::RightDown : WindowEventKind::LeftDown});
            break;
        case ScriptEvent::Kind::Release:
            platform.push({event.right ? WindowEventKind::RightUp : WindowEventKind::LeftUp});
            break;
        case ScriptEvent::Kind::Double:
            // The second press of a double click; the button comes up on the next frame.
            platform.push({WindowEventKind::LeftDown, 2});
            releasePending_ = true;
            break;
        case ScriptEvent::Kind::Drop:
            platform.push({WindowEventKind::DropBegin});
            platform.push({WindowEventKind::DropFile, 1, event.path});
            platform.push({WindowEventKind::DropComplete});
            break;
        }
    }
}

void ScreenSession::frame()
{
    deliverScript(clock.nowMs());
    window.processMessages();
    mouse.update(window.input());
    mainScreen.update();
    mainScreen.draw();
    window.clearFrameInput();
}

void ScreenSession::runUntil(uint32_t ms)
{
    while (nextFrameMs_ <= ms) {
        while (nextTickMs_ <= nextFrameMs_) {
            clock.set(nextTickMs_);
            timer.fire();
            nextTickMs_ += Sequencer::tickPeriodMs;
        }
        clock.set(nextFrameMs_);
        frame();
        nextFrameMs_ += framePeriodMs;
    }
}

std::vector<uint8_t> ScreenSession::bitmapFile() const
{
    const Surface& surface = screen.mainSurface;
    const uint32_t width = static_cast<uint32_t>(surface.width());
    const uint32_t height = static_cast<uint32_t>(surface.height());
    const uint32_t rowBytes = (width * 3 + 3) & ~3u;
    const uint32_t imageBytes = rowBytes * height;
    std::vector<uint8_t> file;
    file.reserve(54 + imageBytes);
    file.push_back('B');
    file.push_back('M');
    putLittleEndian(file, 54 + imageBytes, 4);
    putLittleEndian(file, 0, 4);
    putLittleEndian(file, 54, 4);
    putLittleEndian(file, 40, 4);
    putLittleEndian(file, width, 4);
    putLittleEndian(file, height, 4);
    putLittleEndian(file, 1, 2);
    putLittleEndian(file, 24, 2);
    putLittleEndian(file, 0, 4);
    putLittleEndian(file, imageBytes, 4);
    putLittleEndian(file, 2835, 4);
    putLittleEndian(file, 2835, 4);
    putLittleEndian(file, 0, 4);
    putLittleEndian(file, 0, 4);
    for (uint32_t row = height; row-- > 0;) {
        const Pixel* pixels = surface.row(static_cast<int32_t>(row));
        for (uint32_t x = 0; x < width; ++x) {
            file.push_back(expand(blueOf(pixels[x])));
            file.push_back(expand(greenOf(pixels[x])));
            file.push_back(expand(redOf(pixels[x])));
        }
        for (uint32_t pad = width * 3; pad < rowBytes; ++pad) {
            file.push_back(0);
        }
    }
    return file;
}

}  // namespace quorva
