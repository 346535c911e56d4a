#include "program/dde_control.h"

#include "app/control_protocol.h"

namespace quorva {

bool DdeControlHandler::execute(std::string_view topic, std::string_view command)
{
    const std::string request =
        control::encodeRequest(control::Verb::Execute, command, control::conversationName, topic);
    const auto reply = control::parseReply(handler_.answer(request, true).value_or(""));
    return reply && reply->result == control::acknowledged;
}

std::optional<std::string> DdeControlHandler::request(std::string_view topic, std::string_view item)
{
    if (item != ddeStatusItem) {
        return std::nullopt;
    }
    const std::string request = control::encodeRequest(control::Verb::Status, "", control::conversationName, topic);
    std::string reply = handler_.answer(request, true).value_or("");
    const auto parsed = control::parseReply(reply);
    if (!parsed || parsed->result != control::acknowledged) {
        return std::nullopt;
    }
    return reply;
}

bool DdeControlChannel::playerRuns()
{
    return client_.serverRuns(ddeServiceName, ddeTopicName);
}

ControlCall DdeControlChannel::call(std::string_view bytes)
{
    ControlCall call;
    const control::ParsedRequest parsed = control::parseRequest(bytes);
    if (parsed.scan != control::Scan::Complete || parsed.request.verb == control::Verb::HandOff) {
        if (playerRuns()) {
            call.reach = ControlReach::Answered;
            call.reply = control::encodeReply(control::refused);
        }
        return call;
    }
    const control::Request& request = parsed.request;
    const DdeAnswer answer = request.verb == control::Verb::Execute
                                 ? client_.execute(request.service, request.topic, request.text)
                                 : client_.request(request.service, request.topic, ddeStatusItem);
    switch (answer.outcome) {
    case DdeOutcome::NoServer: call.reach = ControlReach::NoPlayer; break;
    case DdeOutcome::TimedOut: call.reach = ControlReach::NoAnswer; break;
    case DdeOutcome::Refused:
        call.reach = ControlReach::Answered;
        call.reply = control::encodeReply(control::refused);
        break;
    case DdeOutcome::Done:
        call.reach = ControlReach::Answered;
        call.reply = request.verb == control::Verb::Execute ? control::encodeReply(control::acknowledged) : answer.data;
        break;
    }
    return call;
}

}  // namespace quorva
