#include "song/text_encoding.h"

#include "song/cp932_table.h"

#include <array>

namespace quorva {
namespace {

// Windows-1252 0x80-0x9F; the five bytes it leaves undefined keep their own values.
constexpr std::array<char16_t, 32> windows1252Controls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::string_view untilZero(std::string_view bytes) { return bytes.substr(0, bytes.find('\0')); }

uint8_t byteAt(std::string_view bytes, size_t index) { return static_cast<uint8_t>(bytes[index]); }

bool isAsciiLetter(uint8_t byte) { return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z'); }

bool isHalfWidthKatakana(uint8_t byte) { return byte >= 0xA1 && byte <= 0xDF; }

bool isShiftJisLead(uint8_t byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }

void appendUtf8(std::string& out, char32_t code)
{
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

// One UTF-8 sequence at `at`: its length, or 0 when the bytes there begin none. `cut` tells
// that the text ends inside a sequence whose bytes were right so far.
struct Utf8Sequence {
    size_t length = 0;
    bool cut = false;
};

Utf8Sequence utf8SequenceAt(std::string_view bytes, size_t at)
{
    const uint8_t lead = byteAt(bytes, at);
    if (lead < 0x80) {
        return {1, false};
    }
    size_t length = 0;
    // The second byte's range rules out overlong forms, surrogates and values past U+10FFFF.
    uint8_t secondLow = 0x80;
    uint8_t secondHigh = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        secondLow = lead == 0xE0 ? 0xA0 : 0x80;
        secondHigh = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        secondLow = lead == 0xF0 ? 0x90 : 0x80;
        secondHigh = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return {};
    }
    for (size_t i = 1; i < length; ++i) {
        if (at + i >= bytes.size()) {
            return {0, true};
        }
        const uint8_t byte = byteAt(bytes, at + i);
        const uint8_t low = i == 1 ? secondLow : 0x80;
        const uint8_t high = i == 1 ? secondHigh : 0xBF;
        if (byte < low || byte > high) {
            return {};
        }
    }
    return {length, false};
}

// Valid UTF-8 that holds at least one sequence of several bytes; a sequence cut off by the
// end of the text (a text cut to a length) does not count against it.
bool isMultiByteUtf8(std::string_view bytes)
{
    bool multiByte = false;
    for (size_t i = 0; i < bytes.size();) {
        const Utf8Sequence sequence = utf8SequenceAt(bytes, i);
        if (sequence.cut) {
            break;
        }
        if (sequence.length == 0) {
            return false;
        }
        multiByte = multiByte || sequence.length > 1;
        i += sequence.length;
    }
    return multiByte;
}

// The text read as Shift-JIS: how many of its characters only Japanese text would hold, and
// how many bytes begin no character.
struct ShiftJisReading {
    int japaneseLooking = 0;
    int strays = 0;
};

ShiftJisReading readShiftJis(std::string_view bytes)
{
    ShiftJisReading reading;
    const size_t size = bytes.size();
    // The run of bytes of 0x80 and above that the current position lies in.
    size_t runStart = 0;
    size_t runEnd = 0;
    for (size_t i = 0; i < size;) {
        const uint8_t byte = byteAt(bytes, i);
        if (byte < 0x80) {
            ++i;
            continue;
        }
        if (i >= runEnd) {
            runStart = i;
            runEnd = i;
            while (runEnd < size && byteAt(bytes, runEnd) >= 0x80) {
                ++runEnd;
            }
        }
        const bool inLongRun = runEnd - runStart >= 3;
        if (isHalfWidthKatakana(byte)) {
            reading.japaneseLooking += inLongRun ? 1 : 0;
            ++i;
            continue;
        }
        if (isShiftJisLead(byte) && i + 1 < size && cp932DoubleByte(byte, byteAt(bytes, i + 1)) != 0) {
            const uint8_t trail = byteAt(bytes, i + 1);
            const bool commonLead = byte <= 0x9F;
            const bool touchesLetter = (i > 0 && isAsciiLetter(byteAt(bytes, i - 1))) ||
                                       (i + 2 < size && isAsciiLetter(byteAt(bytes, i + 2)));
            if (inLongRun || (commonLead && (trail >= 0x80 || !touchesLetter))) {
                ++reading.japaneseLooking;
            }
            i += 2;
            continue;
        }
        // A lead byte cut off by the end of the text is no stray.
        if (!(isShiftJisLead(byte) && i + 1 == size)) {
            ++reading.strays;
        }
        ++i;
    }
    return reading;
}

void appendWindows1252(std::string& out, std::string_view bytes)
{
    for (size_t i = 0; i < bytes.size(); ++i) {
        const uint8_t byte = byteAt(bytes, i);
        appendUtf8(out, byte >= 0x80 && byte <= 0x9F ? windows1252Controls[byte - 0x80] : char32_t{byte});
    }
}

void appendUtf8Text(std::string& out, std::string_view bytes)
{
    for (size_t i = 0; i < bytes.size();) {
        const Utf8Sequence sequence = utf8SequenceAt(bytes, i);
        if (sequence.length == 0) {
            appendUtf8(out, byteAt(bytes, i));
            ++i;
            continue;
        }
        out.append(bytes.substr(i, sequence.length));
        i += sequence.length;
    }
}

void appendShiftJis(std::string& out, std::string_view bytes)
{
    for (size_t i = 0; i < bytes.size();) {
        const uint8_t byte = byteAt(bytes, i);
        if (byte < 0x80) {
            out.push_back(static_cast<char>(byte));
            ++i;
        } else if (isHalfWidthKatakana(byte)) {
            appendUtf8(out, 0xFF61 + (byte - 0xA1));
            ++i;
        } else if (const char16_t code = i + 1 < bytes.size() ? cp932DoubleByte(byte, byteAt(bytes, i + 1)) : 0) {
            appendUtf8(out, code);
            i += 2;
        } else {
            appendUtf8(out, byte);
            ++i;
        }
    }
}

}  // namespace

// The rule. No byte of 0x80 or above: ASCII. Valid UTF-8 with a sequence of several bytes:
// UTF-8 (Windows-1252 and Shift-JIS text is almost never valid UTF-8). Otherwise the choice
// is between Shift-JIS and Windows-1252, and many Western texts are valid Shift-JIS too: an
// accented letter or a typographic quote followed by an ASCII letter reads as a kanji
// ("Chérie": E9 72, "don’t": 92 74), and a lone symbol or capital reads as half-width
// katakana ("n° 9": B0, "©": A9). What tells them apart is that Latin text carries its high
// bytes singly, inside ASCII words, while Japanese text strings its characters together and
// mostly uses kana, symbols and the common kanji (lead bytes 0x81-0x9F). So, read as
// Shift-JIS, a character looks Japanese when it stands in a run of three or more high bytes,
// or has a lead byte of 0x81-0x9F and either a trail byte of 0x80 or above (in Windows-1252
// two high bytes in a row) or no ASCII letter directly before or after it. The text is
// Shift-JIS when such characters outnumber the bytes that begin no Shift-JIS character;
// otherwise it is Windows-1252.
TextEncoding detectTextEncoding(std::string_view bytes)
{
    bytes = untilZero(bytes);
    bool high = false;
    for (const char byte : bytes) {
        high = high || static_cast<uint8_t>(byte) >= 0x80;
    }
    if (!high) {
        return TextEncoding::Ascii;
    }
    if (isMultiByteUtf8(bytes)) {
        return TextEncoding::Utf8;
    }
    const ShiftJisReading reading = readShiftJis(bytes);
    return reading.japaneseLooking > reading.strays ? TextEncoding::ShiftJis : TextEncoding::Windows1252;
}

std::string textToUtf8(std::string_view bytes, TextEncoding encoding)
{
    bytes = untilZero(bytes);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    switch (encoding) {
    case TextEncoding::Utf8: appendUtf8Text(out, bytes); break;
    case TextEncoding::ShiftJis: appendShiftJis(out, bytes); break;
    case TextEncoding::Ascii:
    case TextEncoding::Windows1252: appendWindows1252(out, bytes); break;
    }
    return out;
}

std::string songTextToUtf8(std::string_view bytes) { return textToUtf8(bytes, detectTextEncoding(bytes)); }

}  // namespace quorva
