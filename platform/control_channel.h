#pragma once
// Both ends of the local control channel through which other programs (and a second copy
// of the player) reach the running player. The bytes are the program's business; these
// interfaces only carry them.
#include <optional>
#include <string>
#include <string_view>

namespace quorva {

// The running player's side: what to answer to the bytes a client sent.
class ControlRequestHandler {
public:
    virtual ~ControlRequestHandler() = default;
    // The reply, or nothing while more bytes may complete the request. With `final` no more
    // will come (the client ended its request, sent too much, or took too long), and a
    // reply is needed.
    virtual std::optional<std::string> answer(std::string_view received, bool final) = 0;
};

enum class ControlReach : uint8_t {
    Answered,  // the player took the request and replied
    NoPlayer,  // no player runs (or its channel cannot be used safely)
    NoAnswer,  // a player was reached but did not reply in time
};

struct ControlCall {
    ControlReach reach = ControlReach::NoPlayer;
    std::string reply;
};

// A client's side.
class ControlChannel {
public:
    virtual ~ControlChannel() = default;
    // Whether a live player is there to talk to.
    virtual bool playerRuns() = 0;
    // Sends one request and waits (bounded) for the whole reply.
    virtual ControlCall call(std::string_view request) = 0;
};

// Reaches no player: for a build whose control channel is not there.
class NoControlChannel final : public ControlChannel {
public:
    bool playerRuns() override { return false; }
    ControlCall call(std::string_view) override { return {}; }
};

}  // namespace quorva
