#include "support/output_state.h"
#include "support/run_tool.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace quorva {
namespace {

struct Line {
    uint32_t ms = 0;
    std::vector<uint8_t> bytes;
};

std::vector<Line> parse(const std::string& out)
{
    std::vector<Line> lines;
    std::istringstream in(out);
    std::string text;
    while (std::getline(in, text)) {
        std::istringstream fields(text);
        Line line;
        fields >> line.ms;
        std::string hex;
        while (fields >> hex) {
            line.bytes.push_back(static_cast<uint8_t>(std::stoul(hex, nullptr, 16)));
        }
        lines.push_back(line);
    }
    return lines;
}

// A time near `wanted` with no message printed within 20 ms of it on either side, so that
// which events lie before it does not hang on the 5 ms grid of the ticks.
uint32_t quietTimeNear(const std::vector<Line>& lines, uint32_t wanted)
{
    for (uint32_t t = wanted;; t += 7) {
        bool quiet = true;
        for (const Line& line : lines) {
            quiet = quiet && (line.ms + 20 < t || line.ms > t + 20);
        }
        if (quiet) {
            return t;
        }
    }
}

// Replaying what `quorva-render --events --seek T` prints gives the output the state that
// playing from the start to T gives it, and from there on the same messages follow.
TEST(QuorvaRender, SeekChasesTheStateOfTheSongBeforeThePointAndPlaysOnFromIt)
{
    int songs = 0;
    for (const char* path : {"/usr/share/kobo-deluxe/sfx/trance1.mid", "/usr/share/games/simutrans/music/02-Gotta-catch-that-train.mid",
                             "/usr/share/games/simutrans/music/05-Boring-afternoon.mid"}) {
        if (!std::filesystem::exists(path)) {
            continue;
        }
        ++songs;
        const auto whole = testing::runTool("quorva-render", std::string(path) + " --events");
        ASSERT_EQ(whole.status, 0);
        const auto played = parse(whole.out);
        for (const double fraction : {0.15, 0.5, 0.85}) {
            const uint32_t at = quietTimeNear(played, static_cast<uint32_t>(played.back().ms * fraction));
            SCOPED_TRACE(std::string(path) + " at " + std::to_string(at));
            const auto seek = testing::runTool("quorva-render", std::string(path) + " --events --seek " + std::to_string(at));
            ASSERT_EQ(seek.status, 0) << seek.out;
            const auto sought = parse(seek.out);

            testing::OutputState before;
            size_t playedNext = 0;
            for (; playedNext < played.size() && played[playedNext].ms < at; ++playedNext) {
                before.take(played[playedNext].bytes);
            }
            testing::OutputState chased;
            size_t soughtNext = 0;
            for (; soughtNext < sought.size() && sought[soughtNext].ms == 0; ++soughtNext) {
                chased.take(sought[soughtNext].bytes);
            }
            EXPECT_EQ(chased, before);
            for (size_t i = 0; i < 300 && playedNext + i < played.size(); ++i) {
                ASSERT_LT(soughtNext + i, sought.size());
                ASSERT_EQ(sought[soughtNext + i].bytes, played[playedNext + i].bytes) << "message " << i << " after the point";
            }
        }
    }
    if (songs == 0) {
        GTEST_SKIP() << "kobodeluxe-data and simutrans-data are not installed";
    }
    EXPECT_NE(testing::runTool("quorva-render", "/usr/share/kobo-deluxe/sfx/trance1.mid --info --seek 5").status, 0);
    EXPECT_NE(testing::runTool("quorva-render", "/usr/share/kobo-deluxe/sfx/trance1.mid --events --seek x").status, 0);
}

}  // namespace
}  // namespace quorva
