#include "platform/win32/copy_data_hand_off.h"

#include <windows.h>

#include <cstring>

namespace quorva {

static_assert(copyDataMessage == WM_COPYDATA);

namespace {

constexpr UINT handOffTimeLimitMs = 10000;

}  // namespace

bool CopyDataHandOff::handOff(std::string_view commandLine)
{
    HWND window = FindWindowA(windowClass_.c_str(), windowTitle_.c_str());
    if (window == nullptr) {
        return false;
    }
    if (commandLine.empty()) {
        return true;
    }
    const std::string text(commandLine);
    COPYDATASTRUCT data{};
    data.dwData = handOffTag;
    data.cbData = static_cast<DWORD>(text.size() + 1);
    data.lpData = const_cast<char*>(text.c_str());
    // The running copy has the text once this returns (or refused it, as too long, or hangs);
    // whichever, this copy ends.
    DWORD_PTR taken = 0;
    const LRESULT sent = SendMessageTimeoutA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                                             handOffTimeLimitMs, &taken);
    if (sent != 0 && taken != 0 && afterHandOff_) {
        afterHandOff_();
    }
    return true;
}

std::optional<std::string> handedOffCommandLine(intptr_t copyData, size_t maxBytes)
{
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(copyData);
    if (data == nullptr || data->dwData != handOffTag || data->lpData == nullptr || data->cbData == 0) {
        return std::nullopt;
    }
    const auto* bytes = static_cast<const char*>(data->lpData);
    const void* end = std::memchr(bytes, '\0', data->cbData);
    const size_t length = end != nullptr ? static_cast<size_t>(static_cast<const char*>(end) - bytes) : data->cbData;
    if (length == 0 || length > maxBytes) {
        return std::nullopt;
    }
    return std::string(bytes, length);
}

}  // namespace quorva
