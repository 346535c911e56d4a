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
        }
        break;
    case WindowEventKind::DropComplete:
        dropTaken_ = false;
        break;
    }
}

void MainWindow::receiveHandOff(std::string_view commandLine)
{
    setPendingPath(commandLine.substr(0, commandLine.find('\0')));
}

void MainWindow::setPendingPath(std::string_view path)
{
    // The path buffer holds 255 bytes and the terminating zero; longer paths are cut.
    pendingPath_.assign(path.substr(0, pendingPathSize - 1));
    filePending_ = true;
}

void MainWindow::clearFrameInput()
{
    input_ = FrameInput{};
    filePending_ = false;
}

}  // namespace quorva
