#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace quorva {

// The encodings that song texts come in. A Standard MIDI File does not say which one its
// texts use: Japanese songs use Shift-JIS (code page 932), Western ones Windows-1252, newer
// ones UTF-8.
enum class TextEncoding : uint8_t { Ascii, Utf8, ShiftJis, Windows1252 };

// Tells the encoding of the text, up to its first zero byte (the rule is written beside
// the definition).
TextEncoding detectTextEncoding(std::string_view bytes);

// The text, up to its first zero byte, read in the encoding and written as UTF-8. A byte
// that begins no character of the encoding is read as the Latin-1 character of its value.
// Ascii is read as Windows-1252.
std::string textToUtf8(std::string_view bytes, TextEncoding encoding);

// The text as UTF-8, read in the encoding it is detected to be in.
std::string songTextToUtf8(std::string_view bytes);

}  // namespace quorva
