#include "app/control_protocol.h"

#include <cstdio>

namespace quorva::control {

namespace {

constexpr std::string_view resultName = "result";

std::optional<Verb> verbNamed(std::string_view name)
{
    if (name == "execute") {
        return Verb::Execute;
    }
    if (name == "handoff") {
        return Verb::HandOff;
    }
    if (name == "status") {
        return Verb::Status;
    }
    return std::nullopt;
}

std::string_view verbName(Verb verb)
{
    switch (verb) {
    case Verb::Execute: return "execute";
    case Verb::HandOff: return "handoff";
    case Verb::Status: return "status";
    }
    return "";
}

// A verb can only be one of the three names; this tells early that a prefix never will be.
bool couldBeVerb(std::string_view prefix)
{
    for (Verb verb : {Verb::Execute, Verb::HandOff, Verb::Status}) {
        if (verbName(verb).starts_with(prefix)) {
            return true;
        }
    }
    return false;
}

// Names and verbs are printable text; a control byte in one shows binary data at once.
bool printable(std::string_view name)
{
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            return false;
        }
    }
    return true;
}

}  // namespace

ParsedRequest parseRequest(std::string_view received)
{
    ParsedRequest parsed;
    std::string_view fields[fieldCount];
    size_t complete = 0;
    size_t start = 0;
    while (complete < fieldCount) {
        const size_t end = received.find('\0', start);
        const std::string_view field = received.substr(start, end == std::string_view::npos ? end : end - start);
        const bool name = complete < 3;
        if (field.size() > (name ? maxFieldBytes : maxTextBytes) || (name && !printable(field))) {
            parsed.scan = Scan::Malformed;
            return parsed;
        }
        if (end == std::string_view::npos) {
            // The last, unfinished field: a verb in the making must still be able to become one.
            parsed.scan = complete == 2 && !couldBeVerb(field) ? Scan::Malformed : Scan::Incomplete;
            return parsed;
        }
        fields[complete++] = field;
        start = end + 1;
    }
    const auto verb = verbNamed(fields[2]);
    if (!verb || start != received.size()) {
        parsed.scan = Scan::Malformed;
        return parsed;
    }
    parsed.scan = Scan::Complete;
    parsed.request = {std::string(fields[0]), std::string(fields[1]), *verb, std::string(fields[3])};
    return parsed;
}

std::string encodeRequest(Verb verb, std::string_view text, std::string_view service, std::string_view topic)
{
    std::string bytes;
    for (std::string_view field : {service, topic, verbName(verb), text}) {
        bytes.append(field);
        bytes.push_back('\0');
    }
    return bytes;
}

std::string escapeValue(std::string_view value)
{
    std::string escaped;
    for (char c : value) {
        switch (c) {
        case '\\': escaped += "\\\\"; break;
        case '\n': escaped += "\\n"; break;
        case '\r': escaped += "\\r"; break;
        default: escaped += c; break;
        }
    }
    return escaped;
}

std::string unescapeValue(std::string_view value)
{
    std::string text;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char next = value[++i];
            text += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
        } else {
            text += value[i];
        }
    }
    return text;
}

std::string encodeReply(uint32_t result, const Fields& fields)
{
    char code[16];
    std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(result));
    std::string bytes = std::string(resultName) + ": " + code + "\n";
    for (const auto& [name, value] : fields) {
        bytes += name + ": " + escapeValue(value) + "\n";
    }
    return bytes;
}

std::optional<Reply> parseReply(std::string_view bytes)
{
    Reply reply;
    bool first = true;
    while (!bytes.empty()) {
        const size_t end = bytes.find('\n');
        if (end == std::string_view::npos) {
            return std::nullopt;
        }
        const std::string_view line = bytes.substr(0, end);
        bytes.remove_prefix(end + 1);
        const size_t colon = line.find(": ");
        if (colon == std::string_view::npos) {
            return std::nullopt;
        }
        const std::string_view name = line.substr(0, colon);
        const std::string_view value = line.substr(colon + 2);
        if (first) {
            if (name != resultName) {
                return std::nullopt;
            }
            if (value == "0x8000") {
                reply.result = acknowledged;
            } else if (value == "0x0000") {
                reply.result = refused;
            } else {
                return std::nullopt;
            }
            first = false;
        } else {
            reply.fields.emplace_back(std::string(name), unescapeValue(value));
        }
    }
    if (first) {
        return std::nullopt;
    }
    return reply;
}

}  // namespace quorva::control
