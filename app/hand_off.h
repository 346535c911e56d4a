#pragma once
#include "platform/single_instance.h"

namespace quorva {

class ControlChannel;

// Finds a running copy through the control channel and hands it this copy's command line.
class ControlHandOff final : public SingleInstance {
public:
    explicit ControlHandOff(ControlChannel& channel) : channel_(channel) {}
    bool handOff(std::string_view commandLine) override;

private:
    ControlChannel& channel_;
};

}  // namespace quorva
