#include "support/run_tool.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace quorva {
namespace {

// A format 0 song of `notes` note ons and offs in running status, three bytes an event.
std::vector<uint8_t> manyNotes(uint32_t notes)
{
    const uint32_t trackLength = 4 + (2 * notes - 1) * 3 + 4;
    std::vector<uint8_t> bytes = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 1, 0xE0, 'M', 'T', 'r', 'k',
                                  static_cast<uint8_t>(trackLength >> 24), static_cast<uint8_t>(trackLength >> 16),
                                  static_cast<uint8_t>(trackLength >> 8), static_cast<uint8_t>(trackLength),
                                  0, 0x90, 60, 100};
    bytes.reserve(bytes.size() + trackLength);
    for (uint32_t i = 0; i < notes; ++i) {
        const uint8_t key = static_cast<uint8_t>(36 + i % 48);
        if (i > 0) {
            bytes.insert(bytes.end(), {0, key, 100});
        }
        bytes.insert(bytes.end(), {1, key, 0});
    }
    bytes.insert(bytes.end(), {0, 0xFF, 0x2F, 0});
    return bytes;
}

// quorva-render with its address space limited to `kilobytes`.
testing::ToolResult runLimited(uint32_t kilobytes, const std::string& arguments)
{
    const std::string command = "ulimit -v " + std::to_string(kilobytes) + "; exec " +
                                std::string(std::getenv("QUORVA_BIN_DIR")) + "/quorva-render " + arguments + " 2>&1";
    testing::ToolResult result;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        return result;
    }
    char buffer[4096];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        result.out.append(buffer, got);
    }
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

TEST(MemoryLimit, ASongTooBigForTheMemoryFailsToLoadAndSaysSo)
{
    testing::TempDir dir;
    const auto small = dir.write("small.mid", manyNotes(10));
    const auto big = dir.write("big.mid", manyNotes(2'000'000));  // 4 M events, 12 MB

    // The least address space (in steps of 16 MB) in which the program loads a small song.
    uint32_t limit = 128 * 1024;
    while (limit < 2048 * 1024 && runLimited(limit, small.string() + " --info").status != 0) {
        limit += 16 * 1024;
    }
    ASSERT_LT(limit, 2048u * 1024) << "quorva-render does not start at all under a limit";

    // Some 100 MB of events and decoding do not fit in 32 MB more: the load fails with the
    // reason, not with an abort from an exception nobody caught (on whichever thread).
    const auto limited = runLimited(limit + 32 * 1024, big.string() + " --info");
    EXPECT_EQ(limited.status, 1) << limited.out;
    EXPECT_EQ(limited.out, "quorva-render: " + big.string() + " is too big for the memory available\n");

    // With room, the same song loads whole.
    const auto free = runLimited(limit + 1024 * 1024, big.string() + " --info");
    EXPECT_EQ(free.status, 0) << free.out;
    EXPECT_NE(free.out.find("events: 4000000\n"), std::string::npos) << free.out;
}

}  // namespace
}  // namespace quorva
