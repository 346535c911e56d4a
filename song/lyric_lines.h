#pragma once
#include "song/text_encoding.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorva {

// Whether a text event of a karaoke (.kar) file is a tag line rather than a syllable: "@"
// and a letter naming what follows (K file type, V version, I information, L language,
// T title and artist, W words).
bool isKaraokeTag(std::string_view text);

// The sung words of a song gathered into lines once after loading, so that the screen can
// show the whole line of the syllable being sung. A line ends at a line mark ("/" or "\"
// at the start of a syllable, anywhere in a karaoke syllable; a carriage return or line
// feed anywhere), before a syllable that follows a pause of `pauseMs` or more, and before
// a syllable that would make it wider than `maxLineColumns`.
class LyricLines {
public:
    static constexpr uint32_t pauseMs = 2000;
    // Columns of a half-width character; a full-width one takes two. The song text row
    // holds about 50 at the 12-pixel font.
    static constexpr size_t maxLineColumns = 50;
    static constexpr uint32_t noSyllable = UINT32_MAX;

    void clear();
    // Adds the next syllable, sung `ms` after the start, and returns its number (0, 1, ...).
    // The text must stay in place until `finish`.
    uint32_t addSyllable(std::string_view text, uint32_t ms, bool karaoke);
    // After the last syllable: decides the encoding of all the words together and makes the lines.
    void finish();

    // The line of a syllable, cut after that syllable: what has been sung and what is still
    // to come. Both empty for a number that is no syllable.
    struct Progress {
        std::string_view sung;
        std::string_view rest;
    };
    Progress progress(uint32_t syllable) const;

    size_t syllableCount() const { return placed_.size(); }
    const std::vector<std::string>& lines() const { return lines_; }
    TextEncoding encoding() const { return encoding_; }

private:
    struct Syllable {
        std::string_view text;
        uint32_t ms;
        bool karaoke;
    };
    // Where a syllable ends: its line and the bytes of that line up to its end.
    struct Placement {
        uint32_t line = 0;
        uint32_t end = 0;
    };

    void place(const Syllable& syllable, bool pause);
    void append(std::string_view piece);
    void startLine();

    std::vector<Syllable> added_;
    std::vector<Placement> placed_;
    std::vector<std::string> lines_;
    size_t columns_ = 0;        // of the last line
    bool breakPending_ = true;  // the next text starts a new line
    TextEncoding encoding_ = TextEncoding::Ascii;
};

}  // namespace quorva
