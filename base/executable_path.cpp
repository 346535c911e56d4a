#include "base/executable_path.h"

#include <system_error>
#ifdef _WIN32
#include <windows.h>

#include <vector>
#endif

namespace quorva {

std::filesystem::path executablePath()
{
#ifdef _WIN32
    // A path may be longer than MAX_PATH; the buffer grows until the whole name fits.
    std::vector<wchar_t> name(MAX_PATH);
    while (true) {
        const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) {
            return {};
        }
        if (length < name.size()) {
            return std::filesystem::path(std::wstring(name.data(), length));
        }
        name.resize(name.size() * 2);
    }
#else
    std::error_code ignored;
    return std::filesystem::read_symlink("/proc/self/exe", ignored);
#endif
}

}  // namespace quorva
