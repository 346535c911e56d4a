#include "platform/fake/scripted_window.h"

namespace quorva {

bool ScriptedWindow::createWindow(const WindowSpecs& windowSpecs)
{
    specs = windowSpecs;
    created = !failCreateWindow;
    windowSize = {windowSpecs.clientWidth, windowSpecs.clientHeight};
    return created;
}

void ScriptedWindow::setWindowSize(WindowSize size)
{
    sizeCalls.push_back(size);
    windowSize = size;
}

bool ScriptedWindow::createDisplay()
{
    displayCreated = created && !failCreateDisplay;
    return displayCreated;
}

std::optional<WindowEvent> ScriptedWindow::pollEvent()
{
    if (events.empty()) {
        return std::nullopt;
    }
    WindowEvent event = std::move(events.front());
    events.pop_front();
    return event;
}

void ScriptedWindow::setSystemCursorVisible(bool visible)
{
    cursorCalls.push_back(visible);
    cursorVisible = visible;
}

bool ScriptedWindow::setFullScreen(bool fullScreen)
{
    fullScreenCalls.push_back(fullScreen);
    return !failFullScreen;
}

void ScriptedWindow::present(const uint16_t* pixels, int32_t width, int32_t height, int32_t pitch)
{
    ++presented;
    lastPicture.clear();
    for (int32_t y = 0; y < height; ++y) {
        lastPicture.insert(lastPicture.end(), pixels + static_cast<size_t>(y) * pitch,
                           pixels + static_cast<size_t>(y) * pitch + width);
    }
}

}  // namespace quorva
