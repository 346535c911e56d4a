#include "song/lyric_lines.h"
#include "support/player_fixture.h"
#include "support/smf_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace quorva {
namespace {

using testing::buildSmf;
using testing::Player;
using testing::TrackBuilder;

// The line of the syllable as "sung|still to sing".
std::string shown(const LyricLines& lines, uint32_t syllable)
{
    const LyricLines::Progress progress = lines.progress(syllable);
    return std::string(progress.sung) + "|" + std::string(progress.rest);
}

TEST(LyricLines, GatherSyllablesIntoLinesAtMarksPausesAndWidth)
{
    // Karaoke syllables: marks at the start and inside a syllable, a carriage return, a pause.
    LyricLines karaoke;
    for (const auto& [text, ms] : std::vector<std::pair<const char*, uint32_t>>{
             {"\\Twin", 0}, {"kle, ", 100}, {"star./ ", 200}, {"How ", 300}, {"I ", 400},
             {"won", 400 + LyricLines::pauseMs}, {"\r", 2500}, {"der", 2600}}) {
        karaoke.addSyllable(text, ms, true);
    }
    karaoke.finish();
    EXPECT_EQ(karaoke.lines(), (std::vector<std::string>{"Twinkle, star.", "How I ", "won", "der"}));
    EXPECT_EQ(karaoke.syllableCount(), 8u);
    EXPECT_EQ(shown(karaoke, 1), "Twinkle, |star.");
    EXPECT_EQ(shown(karaoke, 2), "Twinkle, star.|");  // the mark ends the line after the syllable
    EXPECT_EQ(shown(karaoke, 3), "How |I ");
    EXPECT_EQ(shown(karaoke, 6), "won|");
    EXPECT_EQ(shown(karaoke, 7), "der|");
    EXPECT_EQ(shown(karaoke, 8), "|");  // no such syllable
    EXPECT_EQ(shown(karaoke, LyricLines::noSyllable), "|");

    // Lyric events: a slash marks a line only at the start of a syllable; a line that would
    // grow past the row's width breaks before the syllable.
    LyricLines lyrics;
    lyrics.addSyllable("AC/DC ", 0, false);
    lyrics.addSyllable("/back ", 10, false);
    for (uint32_t i = 0; i < 20; ++i) {
        lyrics.addSyllable("la ", 20 + i, false);
    }
    lyrics.finish();
    ASSERT_EQ(lyrics.lines().size(), 3u);
    EXPECT_EQ(lyrics.lines()[0], "AC/DC ");
    std::string fullLine = "back ";
    for (int i = 0; i < 15; ++i) {
        fullLine += "la ";  // 50 columns
    }
    EXPECT_EQ(lyrics.lines()[1], fullLine);
    EXPECT_EQ(lyrics.lines()[2], "la la la la la ");
    EXPECT_EQ(lyrics.encoding(), TextEncoding::Ascii);

    // Shift-JIS words: a trail byte 0x5C is no backslash mark, and a full-width character
    // takes two columns of the width.
    LyricLines japanese;
    japanese.addSyllable("\x82\xA9\x83\x5C", 0, true);
    for (uint32_t i = 0; i < 12; ++i) {
        japanese.addSyllable("\x82\xA9\x82\xC8", 10 + i, true);
    }
    japanese.finish();
    EXPECT_EQ(japanese.encoding(), TextEncoding::ShiftJis);
    ASSERT_EQ(japanese.lines().size(), 2u);
    EXPECT_EQ(japanese.lines()[0].substr(0, 4), "\x82\xA9\x83\x5C");
    EXPECT_EQ(japanese.lines()[0].size(), 4u + 4u * 11u);  // 48 columns; the next would make 52
    EXPECT_EQ(japanese.lines()[1], "\x82\xA9\x82\xC8");
}

// A karaoke file as karaoke programs write it: the file tag in the first track, the words
// track with language, title, artist and information tags, then the syllables.
TEST(KaraokeSong, TagsGoToTheTitleAndCommentAndSyllablesMakeLines)
{
    TrackBuilder conductor, melody, words;
    conductor.text(0, 1, "@KMIDI KARAOKE FILE").text(0, 3, "Sequence name").tempo(0, 500000);
    melody.text(0, 3, "Melody").text(0, 1, "a comment").event(0, {0x90, 60, 90}).event(4800, {0x80, 60, 0});
    words.text(0, 3, "Words").text(0, 1, "@LENGL").text(0, 1, "@TYesterday").text(0, 1, "@T The Band ")
        .text(0, 1, "@ISequenced by someone").text(480, 1, "\\Yes").text(240, 1, "ter").text(240, 1, "day ")
        .text(240, 1, "/all ").text(240, 1, "my");
    Player player;
    ASSERT_TRUE(player.loadBytes(buildSmf(1, 480, {conductor, melody, words})));
    const SmfFile& song = player.song;
    EXPECT_TRUE(song.karaoke());
    EXPECT_STREQ(song.title(), "Yesterday - The Band");
    EXPECT_STREQ(song.text(), "Sequenced by someone");
    const LyricLines& lines = song.lyricLines();
    EXPECT_EQ(lines.lines(), (std::vector<std::string>{"Yesterday ", "all my"}));
    EXPECT_EQ(song.sungSyllable(), LyricLines::noSyllable);

    player.sequencer.play();
    player.ticks(1);
    EXPECT_STREQ(song.text(), "Sequenced by someone");  // tags and comments leave it alone
    // Tick 720 ("ter") is 750 ms in at 120 beats a minute.
    player.ticks(752 / 5);
    EXPECT_EQ(shown(lines, song.sungSyllable()), "Yester|day ");
    player.ticks(250 / 5);
    EXPECT_EQ(shown(lines, song.sungSyllable()), "Yesterday |");
    player.ticks(250 / 5);
    EXPECT_EQ(shown(lines, song.sungSyllable()), "all |my");
    EXPECT_STREQ(song.lyric(), "/all ");

    // Lyric events of a plain song make lines the same way; its text events stay texts.
    TrackBuilder plain;
    plain.text(0, 1, "@ not a tag").text(0, 5, "Hel").text(100, 5, "lo\r").text(100, 5, "there");
    ASSERT_TRUE(player.loadBytes(buildSmf(0, 480, {plain})));
    EXPECT_FALSE(song.karaoke());
    EXPECT_EQ(song.lyricLines().lines(), (std::vector<std::string>{"Hello", "there"}));
    player.sequencer.play();
    player.ticks(2);
    EXPECT_STREQ(song.text(), "@ not a tag");
    EXPECT_EQ(shown(song.lyricLines(), song.sungSyllable()), "Hel|lo");
}

// A karaoke file of the mma package (tools/setup.sh installs it): its title is a tag line
// in the sequence name, and some syllables carry the line mark at their end.
TEST(KaraokeSong, ReadsARealKaraokeFile)
{
    const std::filesystem::path path = "/usr/share/doc/mma/examples/lyrics/twinkle-kar.kar";
    if (!std::filesystem::exists(path)) {
        GTEST_SKIP() << "mma is not installed";
    }
    SmfFile song;
    ASSERT_TRUE(song.load(path.string()));
    EXPECT_TRUE(song.karaoke());
    EXPECT_STREQ(song.title(), "Twinkle, Twinkle, Little Star");
    EXPECT_STREQ(song.text(), "Created by MMA. Input filename: twinkle-kar.mma - Free use of this file is granted "
                              "under the terms of the GNU General Public License.");
    const std::vector<std::string>& lines = song.lyricLines().lines();
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[0], "DURATION: 46");  // a note of the program that wrote it
    EXPECT_EQ(lines[1], "Twinkle, Twinkle little star; ");
    EXPECT_EQ(lines[2], "How I wonder what you are. ");
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find_first_of("/\\@"), std::string::npos) << line;
        EXPECT_LE(line.size(), LyricLines::maxLineColumns) << line;
    }
}

}  // namespace
}  // namespace quorva
