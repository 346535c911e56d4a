#pragma once
#include "platform/window.h"

#include <deque>
#include <vector>

namespace quorva {

// A window driven by the test: queued events come out of pollEvent, the pointer and the
// keys are what the test sets, and every call with an effect is recorded.
class ScriptedWindow final : public PlatformWindow {
public:
    bool createWindow(const WindowSpecs& specs) override;
    std::optional<WindowSize> usableArea() override { return displayArea; }
    void setWindowSize(WindowSize size) override;
    WindowSize windowedSize() override { return windowSize; }
    bool createDisplay() override;
    std::optional<WindowEvent> pollEvent() override;
    PointerPosition pointer() override { return pointerPosition; }
    void captureMouse(bool capture) override { captures.push_back(capture); }
    void setSystemCursorVisible(bool visible) override;
    bool altEnterHeld() override { return altEnter; }
    bool setFullScreen(bool fullScreen) override;
    void raise() override { ++raised; }
    void present(const uint16_t* pixels, int32_t width, int32_t height, int32_t pitch) override;

    void push(WindowEvent event) { events.push_back(std::move(event)); }

    // Set by the test.
    bool failCreateWindow = false;
    bool failCreateDisplay = false;
    bool failFullScreen = false;
    PointerPosition pointerPosition;
    bool altEnter = false;
    std::optional<WindowSize> displayArea;
    std::deque<WindowEvent> events;

    // Recorded.
    WindowSpecs specs;
    bool created = false;
    WindowSize windowSize;  // the client size at creation, then as set
    std::vector<WindowSize> sizeCalls;
    bool displayCreated = false;
    std::vector<bool> captures;
    std::vector<bool> cursorCalls;
    bool cursorVisible = true;
    std::vector<bool> fullScreenCalls;
    int raised = 0;
    int presented = 0;
    std::vector<uint16_t> lastPicture;
};

}  // namespace quorva
