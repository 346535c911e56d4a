#pragma once
#include "platform/single_instance.h"

#include <string>
#include <vector>

namespace quorva {

class ControlChannel;

// Finds a running copy through the control channel and hands it this copy's command line.
class ControlHandOff final : public SingleInstance {
public:
    explicit ControlHandOff(ControlChannel& channel) : channel_(channel) {}
    // Songs that follow the command line's: a player that took the command line gets each
    // of them after it, as an "enqueue" command.
    void setMoreSongs(std::vector<std::string> songs) { moreSongs_ = std::move(songs); }
    bool handOff(std::string_view commandLine) override;

private:
    ControlChannel& channel_;
    std::vector<std::string> moreSongs_;
};

}  // namespace quorva
