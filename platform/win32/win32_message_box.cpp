#include "platform/win32/win32_message_box.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace quorva {

void Win32MessageBox::show(std::string_view text)
{
    const std::string message(text);
    std::fprintf(stderr, "%s\n", message.c_str());
    std::fflush(stderr);
    MessageBoxA(GetActiveWindow(), message.c_str(), "", MB_OK);
}

}  // namespace quorva
