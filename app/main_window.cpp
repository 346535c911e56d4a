#include "app/main_window.h"

#include "app/window_size.h"

namespace quorva {

bool MainWindow::createWindow(std::optional<WindowSize> remembered)
{
    if (!platform_.createWindow({className, title, clientWidth, clientHeight, icon_})) {
        return false;
    }
    const WindowSize picture{clientWidth, clientHeight};
    const WindowSize start = startWindowSize(picture, remembered, platform_.usableArea());
    if (start != picture) {
        platform_.setWindowSize(start);
    }
    active_ = true;
    return true;
}

bool MainWindow::processMessages()
{
    while (!quit_) {
        auto event = platform_.pollEvent();
        if (!event) {
            break;
        }
        dispatch(*event);
    }
    return !quit_;
}

void MainWindow::dispatch(const WindowEvent& event)
{
    switch (event.kind) {
    case WindowEventKind::Quit:
        quit_ = true;
        break;
    case WindowEventKind::Activated:
        active_ = true;
        minimised_ = false;
        break;
    case WindowEventKind::Deactivated:
        active_ = false;
        break;
    case WindowEventKind::Minimised:
        active_ = false;
        minimised_ = true;
        break;
    case WindowEventKind::LeftDown:
        // Every second click of a run of clicks is a double click, as a double-click
        // window class reports it.
        if (event.clicks >= 2 && event.clicks % 2 == 0) {
            input_.leftDoubleClick = true;
        }
        platform_.captureMouse(true);
        input_.leftDown = true;
        break;
    case WindowEventKind::LeftUp:
        platform_.captureMouse(false);
        input_.leftUp = true;
        break;
    case WindowEventKind::RightDown:
        platform_.captureMouse(true);
        input_.rightDown = true;
        break;
    case WindowEventKind::RightUp:
        platform_.captureMouse(false);
        input_.rightUp = true;
        break;
    case WindowEventKind::DropBegin:
        dropTaken_ = false;
        break;
    case WindowEventKind::DropFile:
        if (!dropTaken_) {
            platform_.raise();
            setPendingPath(event.path);
            dropTaken_ = true;
        } else {
            addPendingPath(event.path);
        }
        break;
    case WindowEventKind::DropComplete:
        dropTaken_ = false;
        break;
    case WindowEventKind::KeyDown:
        if (keys_.size() < maxKeys) {
            keys_.push_back({event.key, event.character, event.ctrl, event.alt, event.shift});
        }
        break;
    case WindowEventKind::Wheel:
        wheelNotches_ += event.wheel;
        break;
    }
}

bool MainWindow::receiveHandOff(std::string_view commandLine)
{
    return setPendingPath(commandLine.substr(0, commandLine.find('\0')));
}

bool MainWindow::setPendingPath(std::string_view path)
{
    // A path the buffer cannot hold is refused rather than cut: a cut one names another file.
    if (path.size() > pendingPathSize - 1) {
        return false;
    }
    pendingPaths_.assign(1, std::string(path));
    filePending_ = true;
    return true;
}

bool MainWindow::addPendingPath(std::string_view path)
{
    if (!filePending_ || path.size() > pendingPathSize - 1) {
        return false;
    }
    pendingPaths_.emplace_back(path);
    return true;
}

void MainWindow::clearFrameInput()
{
    input_ = FrameInput{};
    keys_.clear();
    wheelNotches_ = 0;
    filePending_ = false;
    pendingPaths_.resize(1);
}

}  // namespace quorva
