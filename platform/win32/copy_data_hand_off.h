#pragma once
#include "platform/single_instance.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quorva {

// WM_COPYDATA, and the tag of a hand-off's: the second copy's command line.
inline constexpr uint32_t copyDataMessage = 0x004A;
inline constexpr uintptr_t handOffTag = 0;

// Finds the running copy by its window (class and title) and hands it this copy's command
// line as WM_COPYDATA: tag 0, the text with its terminating zero, sent and waited for.
class CopyDataHandOff final : public SingleInstance {
public:
    CopyDataHandOff(std::string windowClass, std::string windowTitle)
        : windowClass_(std::move(windowClass)), windowTitle_(std::move(windowTitle))
    {
    }
    // Runs after the running copy took a command line (to send it more, for example).
    void setAfterHandOff(std::function<void()> afterHandOff) { afterHandOff_ = std::move(afterHandOff); }
    bool handOff(std::string_view commandLine) override;

private:
    std::string windowClass_;
    std::string windowTitle_;
    std::function<void()> afterHandOff_;
};

// The running copy's side: the command line a WM_COPYDATA hand-off carries (up to its first
// zero, at most `maxBytes`), from the message's second parameter; nothing when the message
// is no hand-off or the text is longer.
std::optional<std::string> handedOffCommandLine(intptr_t copyData, size_t maxBytes);

}  // namespace quorva
