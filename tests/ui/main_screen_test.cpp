#include "screen_fixture.h"

#include "platform/fake/recording_text_renderer.h"
#include "ui/main_screen.h"

#include <gtest/gtest.h>

#include <mutex>

namespace quorva {
namespace {

using testing::buildSmf;
using testing::ScreenFixture;
using testing::TrackBuilder;

constexpr Pixel progressDone = 0x7E94;
constexpr Pixel progressToGo = 0x3DEF;
constexpr Pixel barWell = 0x4210;

// The x where the progress bar's done part ends.
int32_t progressEnd(const ScreenFixture& screen)
{
    int32_t x = 4;
    while (x < 164 && screen.at(x, 430) == progressDone) {
        ++x;
    }
    return x;
}

TEST(PlaybackPanel, NotPlayingShowsZerosAndAGreyBar)
{
    ScreenFixture screen;
    screen.open();
    screen.frame();
    EXPECT_TRUE(screen.showsText(3, 392, "00'00\"00 / 00'00\"00"));
    EXPECT_TRUE(screen.showsText(3, 408, "0000/0000"));
    EXPECT_TRUE(screen.showsText(67, 408, "00/04"));
    EXPECT_TRUE(screen.showsText(108, 408, "0000/0000"));
    EXPECT_TRUE(screen.showsText(171, 392, "0.0"));
    EXPECT_TRUE(screen.showsText(237, 392, "04/04"));
    for (int32_t y = 430; y < 434; ++y) {
        EXPECT_EQ(screen.at(4, y), progressToGo);
        EXPECT_EQ(screen.at(163, y), progressToGo);
    }
    EXPECT_NE(screen.at(164, 430), progressToGo);
    EXPECT_NE(screen.at(3, 430), progressToGo);

    // A loaded song that was stopped: its length and division show, the position does not.
    TrackBuilder track;
    track.event(0, {0x90, 60, 100}).event(480 * 8, {0x80, 60, 0});
    screen.play(testing::songOf(track));
    screen.runUntil(500);
    screen.session.sequencer.stop();
    screen.frame();
    EXPECT_TRUE(screen.showsText(3, 392, "00'00\"00 / 00'05\"00"));
    EXPECT_TRUE(screen.showsText(108, 408, "0000/0480"));
    EXPECT_TRUE(screen.showsText(171, 392, "0.0"));
    EXPECT_EQ(progressEnd(screen), 4);
}

TEST(PlaybackPanel, TempoTimeSignatureAndPosition)
{
    for (const auto& [tempo, shown] : std::vector<std::pair<uint32_t, std::string>>{
             {500000, "120.0"}, {400000, "150.0"}, {700000, "85.0"}}) {
        ScreenFixture screen;
        screen.open();
        TrackBuilder track;
        track.tempo(0, tempo).timeSignature(0, 6, 3).event(0, {0x90, 60, 100}).event(480 * 40, {0x80, 60, 0});
        screen.play(testing::songOf(track));
        screen.runUntil(16);
        EXPECT_TRUE(screen.showsText(171, 392, shown)) << tempo;
        EXPECT_TRUE(screen.showsText(237, 392, "06/08"));
    }

    // 480 ticks a quarter at 500000: 96 ticks every 100 ms. At 1600 ms (ticks up to 1600 ms
    // run), position 1536: 6/8 bars of 1440 ticks, eighth-note beats of 240.
    ScreenFixture screen;
    screen.open();
    TrackBuilder track;
    track.timeSignature(0, 6, 3).event(0, {0x90, 60, 100}).event(480 * 40, {0x80, 60, 0});
    screen.play(testing::songOf(track));
    screen.runUntil(1600);
    const double position = screen.session.sequencer.position();
    ASSERT_GE(position, 1535.9);
    ASSERT_LT(position, 1536.1);
    const uint32_t p = static_cast<uint32_t>(position);
    EXPECT_TRUE(screen.showsText(108, 408, (p == 1536 ? "0096/0480" : "0095/0480")));
    EXPECT_TRUE(screen.showsText(3, 408, "0001/0014"));  // 40 quarters + 1 s tail = 20160 ticks
    EXPECT_TRUE(screen.showsText(67, 408, "01/06"));
}

TEST(PlaybackPanel, ProgressBarReachesTheEndExactly)
{
    // Division 200 at 500000 moves exactly 2 ticks per 5 ms; the last note at tick 16 (40 ms)
    // puts the end at 1040 ms, tick 416, which the tick at 1040 ms reaches without passing.
    ScreenFixture screen;
    screen.open();
    TrackBuilder track;
    track.event(0, {0x90, 60, 100}).event(16, {0x80, 60, 0});
    screen.play(testing::songOf(track, 200));
    ASSERT_EQ(screen.session.song.endMs(), 1040u);
    screen.runUntil(528);  // the last tick before this frame is at 525 ms
    EXPECT_TRUE(screen.showsText(3, 392, "00'00\"52 / 00'01\"04"));
    EXPECT_EQ(progressEnd(screen), 525 * 160 / 1040 + 4);
    screen.runUntil(1040);
    ASSERT_TRUE(screen.session.sequencer.playing());
    EXPECT_EQ(progressEnd(screen), 164);
    EXPECT_NE(screen.at(164, 430), progressDone);
    screen.runUntil(1056);
    EXPECT_FALSE(screen.session.sequencer.playing());
    EXPECT_EQ(progressEnd(screen), 4);
}

class ChannelPanel : public ::testing::Test {
protected:
    void SetUp() override
    {
        screen.open();
        ports = &screen.session.ports;
    }

    ChannelState& channel(int c) { return screen.session.monitor.channels[c]; }

    // A sounding note of the level on the channel, straight into the player's list.
    void sound(uint8_t c, float level)
    {
        std::lock_guard guard(screen.session.sequencer.lock());
        SoundingNote* note = screen.session.sequencer.notes().add();
        note->channel = c;
        note->level = level;
    }

    // The x where the run of the colour starting at `from` on row y ends.
    int32_t runEnd(int32_t from, int32_t y, Pixel colour) const
    {
        int32_t x = from;
        while (x < 640 && screen.at(x, y) == colour) {
            ++x;
        }
        return x;
    }

    Pixel skin(int32_t x, int32_t y) const { return screen.session.screen.skin.at(x, y); }

    ScreenFixture screen;
    PortSelector* ports = nullptr;
};

TEST_F(ChannelPanel, ProgramNameAndDrumSet)
{
    channel(0).program = 1;
    channel(1).program = 128;
    channel(1).bankMsb = 121;
    channel(1).bankLsb = 7;
    channel(9).program = 17;
    channel(9).rhythm = true;
    screen.frame();
    EXPECT_TRUE(screen.showsText(26, 65, "001  000 000"));
    EXPECT_TRUE(screen.showsText(26, 85, "128  121 007"));
    EXPECT_TRUE(screen.showsText(26, 70 + 20 * 9 - 5, "017  000 000"));
    EXPECT_TRUE(screen.showsText(26, 70 + 20 * 9 + 3, "DrumSet"));
    const std::string& piano = screen.session.instruments.name(0);
    ASSERT_FALSE(piano.empty());
    EXPECT_TRUE(screen.showsText(26, 73, piano.substr(0, 12)));
}

TEST_F(ChannelPanel, LevelMeterWidth)
{
    channel(0).volume = 127;
    channel(0).expression = 127;
    channel(1).volume = 0;
    channel(2).volume = 100;
    channel(2).expression = 127;
    sound(0, 127.0f);
    sound(0, 20.0f);  // the peak counts
    sound(1, 127.0f);
    sound(2, 64.9f);  // truncated to 64
    screen.frame();
    const Pixel full = skin(64 + 95 * 15 / 98, 0);
    EXPECT_EQ(runEnd(1, 82, full), 96);  // 95 pixels from x 1
    EXPECT_NE(screen.at(0, 82), full);
    EXPECT_NE(screen.at(1, 102), skin(64, 0));  // volume 0: no meter
    const int32_t l = (64 * 127 * 100 * 98) >> 21;
    EXPECT_EQ(runEnd(1, 122, skin(64 + l * 15 / 98, 0)), 1 + l);
}

TEST_F(ChannelPanel, ControllerBarsPanAndPitchBend)
{
    channel(0).pan = 0;
    channel(1).pan = 64;
    channel(2).pan = 127;
    channel(0).pitchBend = 127;
    channel(0).volume = 127;
    channel(0).expression = 0;
    channel(0).modulation = 64;
    channel(0).reverb = 5;
    channel(0).chorus = 127;
    channel(0).hold = true;
    channel(0).rhythm = true;  // a short name ("DrumSet") leaves the value column clear
    screen.frame();
    const auto row = [](int c) { return 70 + 20 * c; };
    // Pan 0: 153..164, and the number -64.
    const Pixel panLeft = skin(64, 1);
    EXPECT_EQ(runEnd(153, row(0) - 5, panLeft), 165);
    EXPECT_NE(screen.at(152, row(0) - 5), panLeft);
    EXPECT_EQ(screen.at(165, row(0) - 5), barWell);
    EXPECT_TRUE(screen.showsText(140, row(0) - 5, "-64", true));
    // Pan 64: one pixel at 164.
    const Pixel panMiddle = skin(64 + 15 * 64 / 127, 1);
    EXPECT_EQ(screen.at(163, row(1) - 5), barWell);
    EXPECT_EQ(runEnd(164, row(1) - 5, panMiddle), 165);
    EXPECT_TRUE(screen.showsText(140, row(1) - 5, "  0", true));
    // Pan 127: 164..174.
    const Pixel panRight = skin(79, 1);
    EXPECT_EQ(runEnd(164, row(2) - 5, panRight), 175);
    EXPECT_NE(screen.at(175, row(2) - 5), panRight);
    EXPECT_TRUE(screen.showsText(140, row(2) - 5, " 63", true));
    // Pitch bend 127 on the row below pan.
    EXPECT_EQ(runEnd(164, row(0) + 1, panRight), 175);
    // Volume 127 fills the 22-pixel well, expression 0 leaves it empty, modulation 64 half.
    EXPECT_EQ(runEnd(116, row(0) - 5, skin(79, 0)), 138);
    EXPECT_EQ(screen.at(116, row(0) + 1), barWell);
    EXPECT_EQ(runEnd(116, row(0) + 7, skin(64 + 15 * 64 / 127, 0)), 116 + 22 * 64 / 127);
    EXPECT_TRUE(screen.showsText(103, row(0) - 5, "127", true));
    EXPECT_TRUE(screen.showsText(103, row(0) + 1, "  0", true));
    EXPECT_TRUE(screen.showsText(181, row(0) - 4, "  5", true));
    EXPECT_TRUE(screen.showsText(181, row(0) + 2, "127", true));
    // Hold lamp on (hotspot 2, 2 around (206, a - 1)), sostenuto off.
    EXPECT_EQ(screen.at(206, row(0) - 1), skin(30, 106));
    EXPECT_EQ(screen.at(206, row(0) + 8), skin(30, 111));
}

TEST(ChannelButtons, MuteSoloAndUnmuteAll)
{
    ScreenFixture screen;
    screen.open();
    ChannelMonitor& monitor = screen.session.monitor;
    screen.click(1, 65);  // channel 1's button, top-left pixel
    EXPECT_TRUE(monitor.channels[0].muted);
    screen.frame();
    // Muted: the label in dark grey.
    EXPECT_NE(screen.ink(3, 69, 18, 8, inkDarkGrey).find('#'), std::string::npos);
    screen.click(21, 79);  // bottom-right pixel: unmutes
    EXPECT_FALSE(monitor.channels[0].muted);
    screen.click(22, 79);  // outside
    EXPECT_FALSE(monitor.channels[0].muted);

    // Double click on channel 3: the press toggles, the double click solos it.
    screen.click(5, 105);
    EXPECT_TRUE(monitor.channels[2].muted);
    screen.moveTo(5, 105);
    screen.pressDouble();
    screen.frame();
    screen.release();
    screen.frame();
    for (int c = 0; c < 16; ++c) {
        EXPECT_EQ(monitor.channels[c].muted, c != 2) << c;
    }
    // Right press on any button unmutes all.
    screen.click(5, 365, true);
    for (int c = 0; c < 16; ++c) {
        EXPECT_FALSE(monitor.channels[c].muted) << c;
    }
    // The label is light grey, white under the pointer.
    screen.moveTo(100, 100);
    screen.frame();
    EXPECT_NE(screen.ink(3, 69, 18, 8, inkLightGrey).find('#'), std::string::npos);
    screen.moveTo(5, 70);
    screen.frame();
    EXPECT_NE(screen.ink(3, 69, 18, 8, white).find('#'), std::string::npos);
}

TEST(ChannelButtons, KeyboardAndDrumSelection)
{
    ScreenFixture screen;
    screen.open();
    ChannelMonitor& monitor = screen.session.monitor;
    MainScreen& main = screen.session.mainScreen;
    main.setMode(3);
    screen.click(5, 125, true);  // right: channels 1 to 4
    for (int c = 0; c < 16; ++c) {
        EXPECT_EQ(monitor.channels[c].keyboardShown, c < 4) << c;
        EXPECT_FALSE(monitor.channels[c].muted);
    }
    screen.click(5, 85);  // toggles channel 2 off
    EXPECT_FALSE(monitor.channels[1].keyboardShown);
    screen.moveTo(5, 285);
    screen.pressDouble();
    screen.frame();
    for (int c = 0; c < 16; ++c) {
        EXPECT_EQ(monitor.channels[c].keyboardShown, c == 11) << c;
    }
    screen.release();
    screen.frame();

    main.setMode(5);
    screen.click(5, 65, true);  // right: channel 10 only
    for (int c = 0; c < 16; ++c) {
        EXPECT_EQ(monitor.channels[c].drumFlowShown, c == 9) << c;
    }
    screen.click(5, 65);
    EXPECT_TRUE(monitor.channels[0].drumFlowShown);
    EXPECT_EQ(monitor.channels[11].keyboardShown, true);  // the other selection is untouched

    // Mode 6 keeps the drum selection behaviour.
    main.setMode(6);
    screen.click(5, 65);
    EXPECT_FALSE(monitor.channels[0].drumFlowShown);
    EXPECT_FALSE(monitor.channels[0].muted);
}

// A user's own inst.dat may hold names of any length: the row shows what fits its column
// and leaves the bars beside it alone.
TEST_F(ChannelPanel, LongInstrumentNamesStayInTheirColumn)
{
    const auto useNames = [&](const std::string& first) {
        const std::string file = first + "\r\nViolin\r\n";
        screen.session.instruments.parse(std::span(reinterpret_cast<const uint8_t*>(file.data()), file.size()));
        screen.frame();
    };
    channel(0).program = 1;
    channel(0).volume = 100;
    channel(0).expression = 90;
    channel(0).modulation = 127;
    useNames("");
    const int32_t columnEnd = 26 + 12 * 6;
    const int32_t nameTop = 73;
    std::vector<Pixel> beside;
    for (int32_t y = nameTop; y < nameTop + 8; ++y) {
        for (int32_t x = columnEnd; x < 212; ++x) {
            beside.push_back(screen.at(x, y));
        }
    }
    useNames("Acoustic Grand Piano of a user's own making");
    EXPECT_TRUE(screen.showsText(26, nameTop, "Acoustic Gra"));
    std::vector<Pixel> besideLong;
    for (int32_t y = nameTop; y < nameTop + 8; ++y) {
        for (int32_t x = columnEnd; x < 212; ++x) {
            besideLong.push_back(screen.at(x, y));
        }
    }
    EXPECT_EQ(besideLong, beside);
}

// The four song texts in the operating-system font: each read in its own encoding, a karaoke
// file's tags in the title and comment rows, the lyric row the whole line with the part sung
// so far in the text colour and the rest dimmer.
TEST(SongTextArea, ShowsTextsInTheirEncodingAndTheLyricLineAsItIsSung)
{
    RecordingTextRenderer text;
    ScreenFixture screen(&text);
    screen.open();
    TrackBuilder conductor, words;
    conductor.text(0, 1, "@KMIDI KARAOKE FILE").text(0, 2, "Symphony n\xB0 9 \xA9").tempo(0, 500000)
        .event(0, {0x90, 60, 90}).event(4800, {0x80, 60, 0});
    words.text(0, 1, "@TYesterday").text(0, 1, "@TThe Band").text(0, 1, "@ISequenced by someone")
        .text(480, 1, "\\Yes").text(240, 1, "ter").text(240, 1, "day ").text(240, 1, "/all ").text(240, 1, "my");
    screen.play(buildSmf(1, 480, {conductor, words}));
    screen.runUntil(800);  // "ter" was sung at 750 ms
    text.calls.clear();
    screen.frame();
    const auto row = [&](int32_t y) {
        std::vector<RecordingTextRenderer::Call> calls;
        for (const auto& call : text.calls) {
            if (call.y == y) {
                calls.push_back(call);
            }
        }
        return calls;
    };
    const auto title = row(392);
    ASSERT_EQ(title.size(), 1u);
    EXPECT_EQ(title[0].x, 318);
    EXPECT_EQ(title[0].text, "Yesterday - The Band");
    const auto notice = row(412);
    ASSERT_EQ(notice.size(), 1u);
    EXPECT_EQ(notice[0].text, "Symphony n\xC2\xB0 9 \xC2\xA9");
    const auto comment = row(452);
    ASSERT_EQ(comment.size(), 1u);
    EXPECT_EQ(comment[0].text, "Sequenced by someone");
    EXPECT_EQ(comment[0].colour, 0xE0E0E0u);

    const auto lyric = row(432);
    ASSERT_EQ(lyric.size(), 2u);
    EXPECT_EQ(lyric[0].x, 318);
    EXPECT_EQ(lyric[0].text, "Yester");
    EXPECT_EQ(lyric[1].x, 318 + 6 * text.advance);
    EXPECT_EQ(lyric[1].text, "day ");
    EXPECT_EQ(lyric[0].colour, 0xE0E0E0u);
    EXPECT_LT(lyric[1].colour & 0xFF, lyric[0].colour & 0xFF);  // dimmer grey
    EXPECT_EQ(lyric[1].colour, (lyric[1].colour & 0xFF) * 0x010101u);
}

}  // namespace
}  // namespace quorva
