// quorva-render --screen: the main screen of a moment of simulated playing as a bitmap.
#include "support/run_tool.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace quorva {
namespace {

using Result = testing::ToolResult;

Result run(const std::string& arguments) { return testing::runTool("quorva-render", arguments); }

class Picture {
public:
    static constexpr int width = 640;
    static constexpr int height = 480;

    explicit Picture(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        bytes_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    const std::vector<uint8_t>& bytes() const { return bytes_; }
    bool complete() const { return bytes_.size() == 54u + width * height * 3; }
    uint32_t field(size_t offset, int size) const
    {
        uint32_t value = 0;
        for (int i = size - 1; i >= 0; --i) {
            value = value << 8 | bytes_[offset + i];
        }
        return value;
    }
    // Blue, green, red of the pixel; rows are stored bottom-up.
    std::array<uint8_t, 3> at(int x, int y) const
    {
        const size_t offset = 54 + (static_cast<size_t>(height - 1 - y) * width + x) * 3;
        return {bytes_[offset], bytes_[offset + 1], bytes_[offset + 2]};
    }
    bool sameRegion(const Picture& other, int left, int top, int right, int bottom) const
    {
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                if (at(x, y) != other.at(x, y)) {
                    return false;
                }
            }
        }
        return true;
    }

private:
    std::vector<uint8_t> bytes_;
};

std::vector<uint8_t> longSong(uint32_t quarters)
{
    testing::TrackBuilder track;
    track.text(0, 3, "Screen test").event(0, {0xC0, 0}).event(0, {0x90, 60, 100}).event(480 * quarters, {0x80, 60, 0});
    return testing::buildSmf(0, 480, {track});
}

class ScreenRender : public ::testing::Test {
protected:
    // Renders and reads the picture; the arguments follow the song.
    Picture render(const std::string& name, const std::string& arguments, const std::filesystem::path& song)
    {
        const auto out = dir / (name + ".bmp");
        const Result result = run("'" + song.string() + "' --screen '" + out.string() + "' " + arguments);
        EXPECT_EQ(result.status, 0) << arguments << ": " << result.out;
        EXPECT_EQ(result.out, "");
        return Picture(out);
    }

    testing::TempDir dir;
    std::filesystem::path song = dir.write("song.mid", longSong(40));
};

TEST_F(ScreenRender, WritesA24BitBitmapOfFiveBitChannels)
{
    const Picture picture = render("plain", "--at 1000", song);
    ASSERT_TRUE(picture.complete());
    EXPECT_EQ(picture.bytes()[0], 'B');
    EXPECT_EQ(picture.bytes()[1], 'M');
    EXPECT_EQ(picture.field(2, 4), picture.bytes().size());
    EXPECT_EQ(picture.field(10, 4), 54u);
    EXPECT_EQ(picture.field(18, 4), 640u);
    EXPECT_EQ(picture.field(22, 4), 480u);
    EXPECT_EQ(picture.field(28, 2), 24u);
    EXPECT_EQ(picture.field(30, 4), 0u);
    std::set<uint8_t> expanded;
    for (uint32_t c = 0; c < 32; ++c) {
        expanded.insert(static_cast<uint8_t>((c << 3) | (c >> 2)));
    }
    std::set<uint8_t> seen(picture.bytes().begin() + 54, picture.bytes().end());
    for (uint8_t byte : seen) {
        EXPECT_TRUE(expanded.count(byte)) << int(byte);
    }
    EXPECT_GT(seen.size(), 8u);
    // The progress bar: 1000 of 21000 ms done, in 0x7E94 (31, 20, 20) then 0x3DEF (15, 15, 15).
    const int done = 1000 * 160 / 21000 + 4;
    EXPECT_EQ(picture.at(4, 430), (std::array<uint8_t, 3>{165, 165, 255}));
    EXPECT_EQ(picture.at(done - 1, 433), (std::array<uint8_t, 3>{165, 165, 255}));
    EXPECT_EQ(picture.at(done, 430), (std::array<uint8_t, 3>{123, 123, 123}));
    EXPECT_EQ(picture.at(163, 430), (std::array<uint8_t, 3>{123, 123, 123}));

    // The same moment renders the same picture.
    EXPECT_EQ(render("again", "--at 1000", song).bytes(), picture.bytes());
    // Any moment up to the next frame (at 1008) shows the frame of 992.
    EXPECT_EQ(render("between", "--at 1007", song).bytes(), render("frame", "--at 992", song).bytes());
    EXPECT_NE(render("next", "--at 1008", song).bytes(), picture.bytes());
}

TEST_F(ScreenRender, ModeIsTheSameAsAClickOnItsTab)
{
    const Picture option = render("option", "--mode 6 --at 200", song);
    const auto script = dir.write("tab.txt", std::string("0 move 330 8\n0 press left\n16 release left\n100 move 600 300\n"));
    const Picture clicked = render("clicked", "--input '" + script.string() + "' --at 200", song);
    EXPECT_EQ(clicked.bytes(), option.bytes());
    const Picture first = render("first", "--at 200", song);
    EXPECT_FALSE(first.sameRegion(option, 0, 0, 384, 16));
    EXPECT_TRUE(first.sameRegion(option, 0, 64, 212, 384));  // the channel rows stay
}

TEST_F(ScreenRender, SpeedAndTransposeSetTheKnobsFromTheFirstFrame)
{
    // Double speed for 992 ms reaches the song position of 1984 ms at normal speed.
    const Picture fast = render("fast", "--speed 2 --at 992", song);
    const Picture normal = render("normal", "--at 1984", song);
    EXPECT_TRUE(fast.sameRegion(normal, 0, 384, 168, 440));  // time, bar, beat, tick, progress
    EXPECT_FALSE(fast.sameRegion(normal, 48, 36, 68, 44));   // the speed knob's label
    const Picture shifted = render("shifted", "--transpose -3 --at 992", song);
    EXPECT_FALSE(shifted.sameRegion(render("plain", "--at 992", song), 108, 36, 128, 44));
}

TEST_F(ScreenRender, InputScriptClicksStopAndDropsASong)
{
    const auto stop = dir.write("stop.txt", std::string("0 move 230 428\n100 press left\n120 release left\n"));
    const Picture stopped = render("stopped", "--input '" + stop.string() + "' --at 800", song);
    const Picture start = render("start", "--at 0", song);
    EXPECT_TRUE(stopped.sameRegion(start, 0, 384, 168, 400));  // 00'00"00 / 00'21"00
    EXPECT_TRUE(stopped.sameRegion(start, 4, 430, 164, 434));  // a wholly grey bar
    EXPECT_FALSE(stopped.sameRegion(start, 168, 384, 316, 416));  // tempo 0.0 against 120.0

    // A dropped song plays from the frame that takes it: its length shows.
    const auto other = dir.write("other song.mid", longSong(8));
    const auto drop = dir.write("drop.txt", std::string("50 drop " + other.string() + "\n"));
    const Picture dropped = render("dropped", "--input '" + drop.string() + "' --at 500", song);
    const Picture otherPicture = render("other", "--at 500", other);
    const int lengthLeft = 3 + 11 * 6;
    EXPECT_TRUE(dropped.sameRegion(otherPicture, lengthLeft, 392, lengthLeft + 8 * 6, 400));
    EXPECT_FALSE(dropped.sameRegion(start, lengthLeft, 392, lengthLeft + 8 * 6, 400));

    // A double click on channel 2's button solos it: the other labels go dark.
    const auto solo = dir.write("solo.txt", std::string("0 move 5 85\n16 press left\n16 release left\n48 double\n100 move 300 300\n"));
    const Picture soloed = render("soloed", "--input '" + solo.string() + "' --at 200", song);
    const Picture plain = render("plain", "--at 200", song);
    EXPECT_TRUE(soloed.sameRegion(plain, 1, 85, 22, 100));
    EXPECT_FALSE(soloed.sameRegion(plain, 1, 65, 22, 80));
    EXPECT_FALSE(soloed.sameRegion(plain, 1, 365, 22, 380));
}

TEST_F(ScreenRender, BadInputFailsWithOneLine)
{
    const auto badLine = dir.write("bad.txt", std::string("0 move 1 2\n5 wiggle\n"));
    const auto badButton = dir.write("button.txt", std::string("0 press middle\n"));
    const auto notSong = dir.write("text.mid", std::string("not a song"));
    const std::string out = "'" + (dir / "out.bmp").string() + "'";
    const std::string s = "'" + song.string() + "'";
    for (const std::string& arguments :
         {s + " --screen " + out, s + " --screen " + out + " --at -5", s + " --screen " + out + " --at 10 --mode 7",
          s + " --screen " + out + " --at 10 --mode 0", s + " --screen " + out + " --at 10 --input '" +
                                                             badLine.string() + "'",
          s + " --screen " + out + " --at 10 --input '" + badButton.string() + "'",
          s + " --screen " + out + " --at 10 --input '" + (dir / "none.txt").string() + "'",
          "'" + notSong.string() + "' --screen " + out + " --at 10",
          "'" + (dir / "missing.mid").string() + "' --screen " + out + " --at 10",
          s + " --screen '" + (dir / "no/such/dir.bmp").string() + "' --at 10",
          s + " --screen " + out + " --at 10 --speed 4", s + " --screen " + out + " --at 10 --bogus"}) {
        const Result result = run(arguments);
        EXPECT_EQ(result.status, 1) << arguments;
        ASSERT_FALSE(result.out.empty()) << arguments;
        EXPECT_EQ(result.out.find('\n'), result.out.size() - 1) << arguments << ": " << result.out;
    }
    EXPECT_NE(run(s + " --screen " + out + " --at 10 --input '" + badLine.string() + "'").out.find("line 2"),
              std::string::npos);
}

}  // namespace
}  // namespace quorva
