#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quorva {

enum class ToneTokenKind : uint8_t { Word, Integer, Real, Bracket };

struct ToneToken {
    ToneTokenKind kind = ToneTokenKind::Word;
    std::string word;     // Word: as written
    int32_t integer = 0;  // Integer
    double real = 0.0;    // Real
    char bracket = 0;     // Bracket: one of ( ) { } [ ]
};

// Cuts the tone file's bytes into tokens: lines end at CR and the byte after each CR is
// skipped; "//" and "/* */" comments; space, tab, comma, colon and semicolon separate.
// Nothing on a lexical error. Never reads outside the span.
std::optional<std::vector<ToneToken>> tokenizeToneText(std::span<const uint8_t> text);

}  // namespace quorva
