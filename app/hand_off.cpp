#include "app/hand_off.h"

#include "app/control_protocol.h"
#include "platform/control_channel.h"

namespace quorva {

bool ControlHandOff::handOff(std::string_view commandLine)
{
    if (commandLine.empty()) {
        return channel_.playerRuns();
    }
    // A copy that was reached has the command line (or refused it, as too long); either way
    // this copy ends. Only when none runs does start-up go on.
    const ControlCall call = channel_.call(control::encodeRequest(control::Verb::HandOff, commandLine));
    if (call.reach == ControlReach::Answered) {
        for (const std::string& song : moreSongs_) {
            channel_.call(control::encodeRequest(control::Verb::Execute, "enqueue " + song));
        }
    }
    return call.reach != ControlReach::NoPlayer;
}

}  // namespace quorva
