#pragma once
// The wire format of the control socket. A client sends one request per connection: four
// fields, each ended by a zero byte,
//     service \0 topic \0 verb \0 text \0
// where service and topic name the conversation ("TMIDI" for both), the verb is "execute"
// (text: a command such as "stop" or "playfile /path"), "handoff" (text: a second copy's
// command line) or "status" (text empty). Service, topic and verb hold at most 255 bytes,
// the text at most 4104: "playfile " and a path as long as the system takes. The player
// answers with lines of `name: value`, the first being `result: 0x8000` (acknowledged) or
// `result: 0x0000` (refused), and closes the connection. Service, topic and verb are
// printable text; the text may hold any bytes but zero.
#include "base/file_reader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorva::control {

inline constexpr std::string_view conversationName = "TMIDI";
// Service, topic and verb.
inline constexpr size_t maxFieldBytes = 255;
// The text: room for "playfile " before the longest path.
inline constexpr size_t maxTextBytes = 9 + maxPathBytes;
inline constexpr size_t fieldCount = 4;
// The most a well-formed request can take; a reader never needs to keep more.
inline constexpr size_t maxRequestBytes = (fieldCount - 1) * (maxFieldBytes + 1) + maxTextBytes + 1;
inline constexpr uint32_t acknowledged = 0x8000;
inline constexpr uint32_t refused = 0;

enum class Verb : uint8_t { Execute, HandOff, Status };

struct Request {
    std::string service;
    std::string topic;
    Verb verb = Verb::Execute;
    std::string text;
    bool operator==(const Request&) const = default;
};

enum class Scan : uint8_t {
    Incomplete,  // a prefix of a request: more bytes may complete it
    Complete,
    Malformed,   // no more bytes can make it a request
};

struct ParsedRequest {
    Scan scan = Scan::Incomplete;
    Request request;
};

// What the bytes received so far are.
ParsedRequest parseRequest(std::string_view received);
// The bytes of a request; texts longer than a field are sent as they are (and refused).
std::string encodeRequest(Verb verb, std::string_view text, std::string_view service = conversationName,
                          std::string_view topic = conversationName);

using Fields = std::vector<std::pair<std::string, std::string>>;

struct Reply {
    uint32_t result = refused;
    Fields fields;  // the lines after the result, in order
};

// A value's backslashes and line breaks are written as \\, \n and \r so one line holds it.
std::string encodeReply(uint32_t result, const Fields& fields = {});
// Nothing when the bytes are not a reply.
std::optional<Reply> parseReply(std::string_view bytes);
std::string escapeValue(std::string_view value);
std::string unescapeValue(std::string_view value);

}  // namespace quorva::control
