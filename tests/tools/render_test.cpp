#include "support/smf_builder.h"
#include "support/run_tool.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace quorva {
namespace {

using Result = testing::ToolResult;

Result run(const std::string& arguments) { return testing::runTool("quorva-render", arguments); }

TEST(QuorvaRender, InfoAndEventsOfASong)
{
    testing::TempDir dir;
    testing::TrackBuilder conductor, part;
    conductor.text(0, 3, "Na\x01me").tempo(0, 400000).timeSignature(0, 3, 2);
    part.event(0, {0xC0, 5}).event(0, {0x90, 60, 100}).event(480, {0x80, 60, 0});
    const auto song = dir.write("song.mid", testing::buildSmf(1, 480, {conductor, part}));

    const Result info = run(song.string() + " --info");
    EXPECT_EQ(info.status, 0);
    EXPECT_EQ(info.out,
              "format: 1\ndivision: 480\nevents: 6\nendMs: 1400\nendTick: 1680\nmeasureCount: 1\n"
              "title: Na\\x01me\nnotice: \ntempo: 0 400000 0\ntimesig: 0 3 2 0\n");

    // The first tick still runs at the default tempo (4.8 ticks), every later one at 6 ticks:
    // tick 480 is reached by the tick at 405 ms.
    const Result events = run(song.string() + " --events");
    EXPECT_EQ(events.status, 0);
    const std::string start = "0 f0 7e 7f 09 01 f7\n5 c0 05\n5 90 3c 64\n405 80 3c 00\n";
    EXPECT_EQ(events.out.substr(0, start.size()), start);
    EXPECT_NE(events.out.find("1405 bf 42 00\n"), std::string::npos);

    const Result shifted = run(song.string() + " --events --transpose -2 --speed 2");
    EXPECT_NE(shifted.out.find("5 90 3a 64\n205 80 3a 00\n"), std::string::npos);
}

TEST(QuorvaRender, InfoCountsMeasuresWithTheMeterRepeatedInEveryTrack)
{
    testing::TempDir dir;
    testing::TrackBuilder conductor, part;
    conductor.timeSignature(0, 4, 2).timeSignature(2880, 2, 2);
    part.timeSignature(0, 3, 2).event(5760, {0x90, 60, 1});
    const auto song = dir.write("song.mid", testing::buildSmf(1, 480, {conductor, part}));
    const Result info = run(song.string() + " --info");
    EXPECT_NE(info.out.find("endTick: 6720\nmeasureCount: 6\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("timesig: 0 4 2 0\ntimesig: 0 3 2 0\ntimesig: 2880 2 2 2\n"), std::string::npos)
        << info.out;
}

TEST(QuorvaRender, BadFilesAndOptionsFailWithOneLine)
{
    testing::TempDir dir;
    const auto notMidi = dir.write("text.mid", std::string("hello, not a song"));
    for (const std::string& arguments :
         {notMidi.string() + " --info", (dir / "missing.mid").string() + " --events", notMidi.string() + " --speed 7 --info",
          notMidi.string() + " --transpose 9 --info", std::string("--info")}) {
        const Result result = run(arguments);
        EXPECT_EQ(result.status, 1) << arguments;
        EXPECT_FALSE(result.out.empty()) << arguments;
    }
}

}  // namespace
}  // namespace quorva
