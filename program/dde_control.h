#pragma once
// The control protocol (app/control_protocol.h) carried by DDE, for the Windows programs:
// an execute request is an XTYP_EXECUTE of its text, a status request an XTYP_REQUEST of the
// item "status", whose data are the reply's lines. A hand-off travels by WM_COPYDATA instead.
#include "platform/control_channel.h"
#include "platform/win32/dde_control_server.h"

namespace quorva {

inline constexpr const char* ddeStatusItem = "status";

// The player's side: answers DDE transactions with what the control requests they stand
// for are answered with.
class DdeControlHandler final : public DdeRequestHandler {
public:
    explicit DdeControlHandler(ControlRequestHandler& handler) : handler_(handler) {}
    bool execute(std::string_view topic, std::string_view command) override;
    std::optional<std::string> request(std::string_view topic, std::string_view item) override;

private:
    ControlRequestHandler& handler_;
};

// A client's side (quorva-ctl): sends control requests as DDE transactions.
class DdeControlChannel final : public ControlChannel {
public:
    bool playerRuns() override;
    ControlCall call(std::string_view request) override;

private:
    DdeControlClient client_;
};

}  // namespace quorva
