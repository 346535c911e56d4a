#include "platform/win32/win32_files.h"

#include <windows.h>
#include <shlobj.h>

namespace quorva {

std::string applicationDataDirectory()
{
    char path[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)) && path[0] != '\0') {
        return path;
    }
    return {};
}

}  // namespace quorva
