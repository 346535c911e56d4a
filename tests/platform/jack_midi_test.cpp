#include "jack_rig.h"
#include "support/run_tool.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace quorva {
namespace {

bool isHexByte(const std::string& token)
{
    return token.size() == 2 && std::isxdigit(static_cast<unsigned char>(token[0])) &&
           std::isxdigit(static_cast<unsigned char>(token[1]));
}

// The bytes of each message, "b0 20 03", from lines "TIME b0 20 03 ..." (--events) or
// "   0: b0 20 03 control change ..." (jack_midi_dump): the hex bytes after the first field.
std::vector<std::string> messageBytes(const std::string& text)
{
    std::vector<std::string> messages;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string token;
        fields >> token;  // the time
        std::string bytes;
        while (fields >> token && isHexByte(token)) {
            bytes += (bytes.empty() ? "" : " ") + token;
        }
        if (!bytes.empty()) {
            messages.push_back(bytes);
        }
    }
    return messages;
}

// The system MIDI out, told to use a JACK destination, delivers the song's messages byte for
// byte and in order, system-exclusive messages included, starting with the GM System On.
TEST(SystemMidiOut, DeliversEverySongMessageToAJackDestination)
{
    if (!testing::jackToolsInstalled()) {
        GTEST_SKIP() << "jackd2 is not installed: the JACK MIDI test cannot run";
    }
    testing::TempDir dir;
    testing::JackRig jack(dir);
    std::string why;
    if (!jack.start(why)) {
        GTEST_SKIP() << why;
    }
    testing::TrackBuilder track;
    track.event(0, {0xC0, 5}).event(0, {0x90, 60, 100}).event(0, {0xB0, 32, 3})
        .sysex(10, {0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x00, 0x01, 0xF7})
        .event(20, {0xE0, 0x00, 0x50}).event(0, {0xD0, 0x40})
        .sysex(0, {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x11, 0x15, 0x02, 0x18, 0xF7})
        .event(100, {0x80, 60, 0}).endOfTrack(0);
    const auto song = dir.write("song.mid", testing::buildSmf(0, 96, {track}));

    setenv("JACK_DEFAULT_SERVER", jack.server().c_str(), 1);
    setenv("QUORVA_MIDI_OUT", "no-such-destination", 1);
    const auto unmatched = testing::runTool("quorva-render", "--list-midi-out");
    unsetenv("QUORVA_MIDI_OUT");
    const auto unnamed = testing::runTool("quorva-render", "--list-midi-out");
    setenv("QUORVA_MIDI_OUT", jack.client().c_str(), 1);
    const auto listed = testing::runTool("quorva-render", "--list-midi-out");
    const auto played = testing::runTool("quorva-render", song.string() + " --output mm-out");
    unsetenv("QUORVA_MIDI_OUT");
    unsetenv("JACK_DEFAULT_SERVER");
    EXPECT_NE(unmatched.out.find("QUORVA_MIDI_OUT=\"no-such-destination\" matches no destination"), std::string::npos)
        << unmatched.out;
    EXPECT_NE(listed.out.find("jack: " + jack.client() + ":input\n"), std::string::npos) << listed.out;
    if (!std::filesystem::exists("/dev/snd/seq")) {
        // Without the ALSA sequencer the first real JACK destination is chosen unasked.
        EXPECT_NE(unnamed.out.find("chosen: jack: " + jack.client() + ":input"), std::string::npos) << unnamed.out;
    }
    EXPECT_NE(listed.out.find("chosen: jack: " + jack.client() + ":input"), std::string::npos) << listed.out;
    ASSERT_EQ(played.status, 0) << played.out;
    EXPECT_EQ(played.out, "");

    const auto expected = messageBytes(testing::runTool("quorva-render", song.string() + " --events").out);
    ASSERT_GT(expected.size(), 10u);
    ASSERT_EQ(expected.front(), "f0 7e 7f 09 01 f7");
    std::vector<std::string> received;
    for (int i = 0; i < 50 && received.size() < expected.size(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        received = messageBytes(jack.dump());
    }
    EXPECT_EQ(received, expected);
}

}  // namespace
}  // namespace quorva
