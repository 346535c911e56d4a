#include "song/text_encoding.h"
#include "support/player_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace quorva {
namespace {

struct TextCase {
    const char* what;
    std::string bytes;
    TextEncoding encoding;
    std::string utf8;
};

TEST(TextEncoding, TellsTheEncodingOfEachKindOfText)
{
    using enum TextEncoding;
    const std::vector<TextCase> cases = {
        {"plain ASCII", "Symphony No. 9", Ascii, "Symphony No. 9"},
        // UTF-8, also when a length limit cut its last character.
        {"UTF-8 Japanese", "\xE3\x81\x95\xE3\x81\x8F\xE3\x82\x89", Utf8, "\xE3\x81\x95\xE3\x81\x8F\xE3\x82\x89"},
        {"UTF-8 accent", "Caf\xC3\xA9", Utf8, "Caf\xC3\xA9"},
        {"UTF-8 cut short", "Caf\xC3\xA9 \xE3\x81", Utf8, "Caf\xC3\xA9 \xC3\xA3\xC2\x81"},
        {"nothing but a cut-off sequence", "Caf\xC3", Windows1252, "Caf\xC3\x83"},
        // Windows-1252: lone symbols and capitals that Shift-JIS would read as half-width
        // katakana, accents and quotes before ASCII letters that it would read as kanji.
        {"degree sign", "Symphony n\xB0 9", Windows1252, "Symphony n\xC2\xB0 9"},
        {"copyright sign", "Copyright \xA9 2000", Windows1252, "Copyright \xC2\xA9 2000"},
        {"accent before a letter", "Ch\xE9rie", Windows1252, "Ch\xC3\xA9rie"},
        {"accents in a row", "A\xE7\xE3o", Windows1252, "A\xC3\xA7\xC3\xA3o"},
        {"two accents as pairs", "des \xE9t\xE9s", Windows1252, "des \xC3\xA9t\xC3\xA9s"},
        {"quote inside a word", "Don\x92t Stop", Windows1252, "Don\xE2\x80\x99t Stop"},
        {"sharp s", "Stra\xDF" "e", Windows1252, "Stra\xC3\x9F" "e"},
        {"punctuation row", "\x80 5 \x85 \x99", Windows1252, "\xE2\x82\xAC 5 \xE2\x80\xA6 \xE2\x84\xA2"},
        // Shift-JIS: full-width text, katakana whose trail bytes are ASCII letters,
        // half-width katakana, Japanese beside ASCII, a character cut off at the end.
        {"kanji and kana", "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x89\xCC", ShiftJis,
         "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE6\xAD\x8C"},
        {"katakana with ASCII trails", "\x83\x41\x83\x43\x83\x58", ShiftJis, "\xE3\x82\xA2\xE3\x82\xA4\xE3\x82\xB9"},
        {"half-width katakana", "\xB6\xD7\xB5\xB9", ShiftJis, "\xEF\xBD\xB6\xEF\xBE\x97\xEF\xBD\xB5\xEF\xBD\xB9"},
        {"full and half width", "\x83\x54\x83\x4E\x83\x89 \xBB\xB8\xD7", ShiftJis,
         "\xE3\x82\xB5\xE3\x82\xAF\xE3\x83\xA9 \xEF\xBD\xBB\xEF\xBD\xB8\xEF\xBE\x97"},
        {"after ASCII letters", "CD\x82\xF0\x92\xAE\x82\xAD", ShiftJis, "CD\xE3\x82\x92\xE8\x81\xB4\xE3\x81\x8F"},
        {"beside a digit", "\x91\xE6" "1" "\x8A\x79\x8F\xCD", ShiftJis, "\xE7\xAC\xAC" "1" "\xE6\xA5\xBD\xE7\xAB\xA0"},
        {"cut off", "\x82\xA9\x82\xC8\x82", ShiftJis, "\xE3\x81\x8B\xE3\x81\xAA\xC2\x82"},
        {"up to the zero byte", std::string("\x82\xA9\x82\xC8\0\xB0", 6), ShiftJis, "\xE3\x81\x8B\xE3\x81\xAA"},
    };
    for (const TextCase& text : cases) {
        EXPECT_EQ(detectTextEncoding(text.bytes), text.encoding) << text.what;
        EXPECT_EQ(songTextToUtf8(text.bytes), text.utf8) << text.what;
    }
}

TEST(TextEncoding, ReadsBytesInTheEncodingItIsTold)
{
    // Shift-JIS: bytes that begin no character keep their Latin-1 values.
    EXPECT_EQ(textToUtf8("Title 1", TextEncoding::ShiftJis), "Title 1");
    EXPECT_EQ(textToUtf8("\x93\xFA\x96\x7B", TextEncoding::ShiftJis), "\xE6\x97\xA5\xE6\x9C\xAC");
    EXPECT_EQ(textToUtf8("\xB1", TextEncoding::ShiftJis), "\xEF\xBD\xB1");
    EXPECT_EQ(textToUtf8("a\x81\x20z", TextEncoding::ShiftJis), "a\xC2\x81 z");
    EXPECT_EQ(textToUtf8("end\x93", TextEncoding::ShiftJis), "end\xC2\x93");
    EXPECT_EQ(textToUtf8(std::string_view("ab\0cd", 5), TextEncoding::ShiftJis), "ab");
    EXPECT_EQ(textToUtf8("", TextEncoding::ShiftJis), "");
    // A backslash byte as a trail byte is part of the character; the user-defined rows are none.
    EXPECT_EQ(textToUtf8("\x83\x5C", TextEncoding::ShiftJis), "\xE3\x82\xBD");
    EXPECT_EQ(textToUtf8("\xF0\x40", TextEncoding::ShiftJis), "\xC3\xB0@");
    // Windows-1252 and ASCII: the five undefined bytes of 0x80-0x9F keep their values.
    EXPECT_EQ(textToUtf8("\x81\x8D\x9F\xFF", TextEncoding::Windows1252), "\xC2\x81\xC2\x8D\xC5\xB8\xC3\xBF");
    EXPECT_EQ(textToUtf8("\xE9", TextEncoding::Ascii), "\xC3\xA9");
    // UTF-8: overlong forms and surrogates are no characters.
    EXPECT_EQ(textToUtf8("\xC0\xAF\xED\xA0\x80", TextEncoding::Utf8), "\xC3\x80\xC2\xAF\xC3\xAD\xC2\xA0\xC2\x80");
    EXPECT_EQ(detectTextEncoding("\xC0\xAF"), TextEncoding::Windows1252);
}

// Songs of other Debian packages (tools/setup.sh installs them), with texts as their authors'
// programs stored them.
TEST(TextEncoding, ReadsTheTextsOfRealSongs)
{
    const std::filesystem::path japanese = "/usr/share/games/simutrans/music/52-Dreamy-Oriental-Nights.mid";
    const std::filesystem::path western = "/usr/share/kobo-deluxe/sfx/trance1.mid";
    if (!std::filesystem::exists(japanese) || !std::filesystem::exists(western)) {
        GTEST_SKIP() << "simutrans-data or kobodeluxe-data is not installed";
    }
    // The comment row's text is the first one played.
    testing::Player player;
    const SmfFile& song = player.song;
    ASSERT_TRUE(player.song.load(japanese.string()));
    player.sequencer.setState(PlayState::Stopped);
    player.sequencer.play();
    player.ticks(1);
    ASSERT_NE(song.text(), nullptr);
    EXPECT_EQ(detectTextEncoding(song.text()), TextEncoding::ShiftJis);
    // "【サイト名】 URL": katakana whose trail bytes are ASCII letters, brackets, a kanji.
    EXPECT_EQ(songTextToUtf8(song.text()),
              "\xE3\x80\x90\xE3\x82\xB5\xE3\x82\xA4\xE3\x83\x88\xE5\x90\x8D\xE3\x80\x91 URL");

    ASSERT_TRUE(player.song.load(western.string()));
    ASSERT_NE(song.notice(), nullptr);
    EXPECT_EQ(detectTextEncoding(song.notice()), TextEncoding::Windows1252);
    EXPECT_EQ(songTextToUtf8(song.notice()), "Copyright \xC2\xA9 2002 by fdhdfgh");
}

}  // namespace
}  // namespace quorva
