#include "app/control_protocol.h"

#include <gtest/gtest.h>

#include <string>

namespace quorva::control {
namespace {

using namespace std::string_literals;

TEST(ControlProtocol, RequestsParseWhenCompleteAndNotBefore)
{
    const std::string bytes = encodeRequest(Verb::Execute, "playfile /tmp/a b.mid");
    EXPECT_EQ(bytes, "TMIDI\0TMIDI\0execute\0playfile /tmp/a b.mid\0"s);
    for (size_t length = 0; length < bytes.size(); ++length) {
        EXPECT_EQ(parseRequest(bytes.substr(0, length)).scan, Scan::Incomplete) << length;
    }
    const ParsedRequest parsed = parseRequest(bytes);
    ASSERT_EQ(parsed.scan, Scan::Complete);
    EXPECT_EQ(parsed.request, (Request{"TMIDI", "TMIDI", Verb::Execute, "playfile /tmp/a b.mid"}));

    EXPECT_EQ(parseRequest(encodeRequest(Verb::HandOff, "x")).request.verb, Verb::HandOff);
    EXPECT_EQ(parseRequest(encodeRequest(Verb::Status, "")).request.verb, Verb::Status);
    // Other names still parse: refusing them is the player's business.
    EXPECT_EQ(parseRequest(encodeRequest(Verb::Status, "", "tmidi", "OTHER")).request.service, "tmidi");
}

TEST(ControlProtocol, MalformedRequestsAreToldAsEarlyAsPossible)
{
    // Bytes after the last field, an unknown verb, a verb that no more bytes can make.
    EXPECT_EQ(parseRequest(encodeRequest(Verb::Execute, "stop") + "x").scan, Scan::Malformed);
    EXPECT_EQ(parseRequest("TMIDI\0TMIDI\0play\0stop\0"s).scan, Scan::Malformed);
    EXPECT_EQ(parseRequest("TMIDI\0TMIDI\0Exec"s).scan, Scan::Malformed);
    EXPECT_EQ(parseRequest("TMIDI\0TMIDI\0exec"s).scan, Scan::Incomplete);
    EXPECT_EQ(parseRequest("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03"s).scan, Scan::Malformed);

    // A name holds at most 255 bytes, finished or not; the text "playfile " and a path of
    // PATH_MAX - 1 bytes.
    const std::string longest(maxFieldBytes, 'a');
    const std::string longestText = "playfile /" + std::string(4094, 'p');
    EXPECT_EQ(longestText.size(), maxTextBytes);
    EXPECT_EQ(parseRequest(encodeRequest(Verb::Execute, longestText)).scan, Scan::Complete);
    EXPECT_EQ(parseRequest(encodeRequest(Verb::Execute, longestText + "a")).scan, Scan::Malformed);
    EXPECT_EQ(parseRequest(longest).scan, Scan::Incomplete);
    EXPECT_EQ(parseRequest(longest + "a").scan, Scan::Malformed);
    EXPECT_EQ(parseRequest(encodeRequest(Verb::Execute, "stop", longest + "a")).scan, Scan::Malformed);
    EXPECT_EQ(parseRequest(encodeRequest(Verb::Execute, "stop", "TMIDI", longest + "a")).scan, Scan::Malformed);
    // The longest request fits the reader's bound.
    EXPECT_LE(encodeRequest(Verb::HandOff, longestText, longest, longest).size(), maxRequestBytes);
}

TEST(ControlProtocol, RepliesCarryTheResultAndOneValuePerLine)
{
    EXPECT_EQ(encodeReply(acknowledged), "result: 0x8000\n");
    EXPECT_EQ(encodeReply(refused), "result: 0x0000\n");
    const Fields fields = {{"path", "/tmp/odd\nname\\x.mid"}, {"title", ""}, {"length_ms", "1200"}};
    const std::string bytes = encodeReply(acknowledged, fields);
    EXPECT_EQ(bytes, "result: 0x8000\npath: /tmp/odd\\nname\\\\x.mid\ntitle: \nlength_ms: 1200\n");
    const auto reply = parseReply(bytes);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->result, acknowledged);
    EXPECT_EQ(reply->fields, fields);

    EXPECT_EQ(parseReply("result: 0x0000\n")->result, refused);
    EXPECT_FALSE(parseReply(""));
    EXPECT_FALSE(parseReply("result: 0x8000"));
    EXPECT_FALSE(parseReply("state: idle\n"));
    EXPECT_FALSE(parseReply("result: 0x1234\n"));
}

}  // namespace
}  // namespace quorva::control
