#include "song/lyric_lines.h"

#include <algorithm>

namespace quorva {

namespace {

bool isShiftJisLead(uint8_t byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }

// The bytes of one character at `at`, as far as line marks and widths need to know.
size_t characterLength(std::string_view bytes, size_t at, TextEncoding encoding)
{
    const auto byte = static_cast<uint8_t>(bytes[at]);
    size_t length = 1;
    if (encoding == TextEncoding::ShiftJis && isShiftJisLead(byte)) {
        length = 2;
    } else if (encoding == TextEncoding::Utf8 && byte >= 0xC0) {
        length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
    }
    return std::min(length, bytes.size() - at);
}

// Columns the text takes: two for a Shift-JIS double-byte character and for a UTF-8
// character of three or four bytes (the full-width ones), one for any other.
size_t columnsOf(std::string_view bytes, TextEncoding encoding)
{
    size_t columns = 0;
    for (size_t i = 0; i < bytes.size();) {
        const size_t length = characterLength(bytes, i, encoding);
        columns += length >= 2 && (encoding == TextEncoding::ShiftJis || length >= 3) ? 2 : 1;
        i += length;
    }
    return columns;
}

std::string_view withoutLeadingSpaces(std::string_view text)
{
    const size_t first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

}  // namespace

bool isKaraokeTag(std::string_view text)
{
    return text.size() >= 2 && text[0] == '@' && std::string_view("KVILTW").find(text[1]) != std::string_view::npos;
}

void LyricLines::clear()
{
    added_.clear();
    placed_.clear();
    lines_.clear();
    columns_ = 0;
    breakPending_ = true;
    encoding_ = TextEncoding::Ascii;
}

uint32_t LyricLines::addSyllable(std::string_view text, uint32_t ms, bool karaoke)
{
    added_.push_back({text.substr(0, text.find('\0')), ms, karaoke});
    return static_cast<uint32_t>(added_.size() - 1);
}

void LyricLines::finish()
{
    // One syllable is too short to tell its encoding by; all the words together are not.
    std::string words;
    for (const Syllable& syllable : added_) {
        words.append(syllable.text);
    }
    encoding_ = detectTextEncoding(words);
    for (size_t i = 0; i < added_.size(); ++i) {
        place(added_[i], i > 0 && added_[i].ms - added_[i - 1].ms >= pauseMs);
    }
    // The syllables' texts belong to the song's events; only the lines are kept.
    added_.clear();
}

void LyricLines::place(const Syllable& syllable, bool pause)
{
    breakPending_ = breakPending_ || pause;
    const std::string_view text = syllable.text;
    size_t start = 0;
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        const size_t length = characterLength(text, i, encoding_);
        const bool mark = c == '\r' || c == '\n' || ((c == '/' || c == '\\') && (syllable.karaoke || i == 0));
        if (mark) {
            append(text.substr(start, i - start));
            breakPending_ = true;
            start = i + 1;
        }
        i += length;
    }
    append(text.substr(start));
    if (lines_.empty()) {
        lines_.emplace_back();
    }
    placed_.push_back({static_cast<uint32_t>(lines_.size() - 1), static_cast<uint32_t>(lines_.back().size())});
}

void LyricLines::append(std::string_view piece)
{
    // A line never begins with spaces, and spaces alone start no line.
    const bool lineStarts = breakPending_ || lines_.empty() || lines_.back().empty();
    const std::string_view words = withoutLeadingSpaces(piece);
    if (words.empty() && lineStarts) {
        return;
    }
    if (breakPending_ || lines_.empty()) {
        startLine();
        breakPending_ = false;
    }
    piece = lineStarts ? words : piece;
    if (!lineStarts && columns_ + columnsOf(piece, encoding_) > maxLineColumns) {
        if (words.empty()) {
            return;
        }
        startLine();
        piece = words;
    }
    lines_.back().append(piece);
    columns_ += columnsOf(piece, encoding_);
}

void LyricLines::startLine()
{
    if (lines_.empty() || !lines_.back().empty()) {
        lines_.emplace_back();
    }
    columns_ = 0;
}

LyricLines::Progress LyricLines::progress(uint32_t syllable) const
{
    if (syllable >= placed_.size()) {
        return {};
    }
    const Placement& placement = placed_[syllable];
    const std::string_view line = lines_[placement.line];
    return {line.substr(0, placement.end), line.substr(placement.end)};
}

}  // namespace quorva
