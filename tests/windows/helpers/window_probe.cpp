// window-probe: finds a top-level window of the desktop by its class and title, as another
// program of the desktop would, for the tests of the Windows programs.
//   window-probe find CLASS TITLE [WAIT_MS]   prints "HANDLE LEFT TOP WIDTH HEIGHT STYLE": the
//                                              client area in desktop coordinates and the
//                                              class style
//   window-probe close CLASS TITLE            posts WM_CLOSE to the window
// An empty TITLE matches any title. Exit status: 0 done, 1 no such visible window, 2 usage.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

HWND findVisible(const char* className, const char* title, DWORD waitMilliseconds)
{
    const DWORD start = GetTickCount();
    while (true) {
        HWND window = FindWindowA(className, *title != '\0' ? title : nullptr);
        if (window != nullptr && IsWindowVisible(window)) {
            return window;
        }
        if (GetTickCount() - start >= waitMilliseconds) {
            return nullptr;
        }
        Sleep(20);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: window-probe find|close CLASS TITLE [WAIT_MS]\n");
        return 2;
    }
    const DWORD waitMilliseconds = argc > 4 ? static_cast<DWORD>(std::strtoul(argv[4], nullptr, 10)) : 0;
    HWND window = findVisible(argv[2], argv[3], waitMilliseconds);
    if (window == nullptr) {
        return 1;
    }
    if (std::strcmp(argv[1], "close") == 0) {
        return PostMessageA(window, WM_CLOSE, 0, 0) ? 0 : 1;
    }
    if (std::strcmp(argv[1], "find") != 0) {
        return 2;
    }
    RECT client{};
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    const auto classStyle = static_cast<unsigned long>(GetClassLongPtrA(window, GCL_STYLE));
    std::printf("%llu %ld %ld %ld %ld %lu\n", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)), origin.x,
                origin.y, client.right - client.left, client.bottom - client.top, classStyle);
    return 0;
}
