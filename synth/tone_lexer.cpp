#include "synth/tone_lexer.h"

#include <charconv>

namespace quorva {
namespace {

constexpr std::size_t maxWordLength = 255;
constexpr std::size_t maxNumberLength = 9;

bool isLetter(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(uint8_t c) { return c >= '0' && c <= '9'; }
bool isSeparator(uint8_t c) { return c == ' ' || c == '\t' || c == ',' || c == ':' || c == ';'; }
bool isBracket(uint8_t c) { return c == '(' || c == ')' || c == '{' || c == '}' || c == '[' || c == ']'; }

class Lexer {
public:
    explicit Lexer(std::span<const uint8_t> text) : text_(text) {}

    std::optional<std::vector<ToneToken>> run()
    {
        std::size_t start = 0;
        while (start < text_.size()) {
            std::size_t end = start;
            while (end < text_.size() && text_[end] != '\r') {
                ++end;
            }
            if (!line(text_.subspan(start, end - start))) {
                return std::nullopt;
            }
            start = end + 2;  // the carriage return and the byte after it, whatever it is
        }
        if (inBlockComment_) {
            return std::nullopt;
        }
        return std::move(tokens_);
    }

private:
    bool line(std::span<const uint8_t> line)
    {
        std::size_t i = 0;
        while (i < line.size()) {
            if (inBlockComment_) {
                if (line[i] == '*' && i + 1 < line.size() && line[i + 1] == '/') {
                    inBlockComment_ = false;
                    i += 2;
                } else {
                    ++i;
                }
                continue;
            }
            const uint8_t c = line[i];
            if (isSeparator(c)) {
                ++i;
            } else if (c == '/') {
                if (i + 1 >= line.size()) {
                    return false;
                }
                if (line[i + 1] == '/') {
                    return true;
                }
                if (line[i + 1] != '*') {
                    return false;
                }
                inBlockComment_ = true;
                i += 2;
            } else if (isLetter(c)) {
                if (!word(line, i)) {
                    return false;
                }
            } else if (isDigit(c) || c == '-' || c == '.') {
                if (!number(line, i)) {
                    return false;
                }
            } else if (isBracket(c)) {
                ToneToken token;
                token.kind = ToneTokenKind::Bracket;
                token.bracket = static_cast<char>(c);
                tokens_.push_back(std::move(token));
                ++i;
            } else {
                return false;
            }
        }
        return true;
    }

    bool word(std::span<const uint8_t> line, std::size_t& i)
    {
        const std::size_t start = i;
        while (i < line.size() && (isLetter(line[i]) || isDigit(line[i]))) {
            ++i;
        }
        if (i - start > maxWordLength) {
            return false;
        }
        ToneToken token;
        token.kind = ToneTokenKind::Word;
        token.word.assign(reinterpret_cast<const char*>(line.data() + start), i - start);
        tokens_.push_back(std::move(token));
        return true;
    }

    bool number(std::span<const uint8_t> line, std::size_t& i)
    {
        const std::size_t start = i;
        ++i;
        while (i < line.size() && (isDigit(line[i]) || line[i] == '.')) {
            ++i;
        }
        const std::size_t length = i - start;
        if (length > maxNumberLength) {
            return false;
        }
        const char* first = reinterpret_cast<const char*>(line.data() + start);
        const std::string_view text(first, length);
        int points = 0;
        int digits = 0;
        for (char c : text) {
            points += c == '.';
            digits += isDigit(static_cast<uint8_t>(c));
        }
        if (points > 1 || digits == 0) {
            return false;
        }
        ToneToken token;
        if (points == 1) {
            token.kind = ToneTokenKind::Real;
            std::from_chars(first, first + length, token.real);
        } else {
            // At most 9 characters, so the value always fits 32 bits.
            token.kind = ToneTokenKind::Integer;
            std::from_chars(first, first + length, token.integer);
        }
        tokens_.push_back(std::move(token));
        return true;
    }

    std::span<const uint8_t> text_;
    std::vector<ToneToken> tokens_;
    bool inBlockComment_ = false;
};

}  // namespace

std::optional<std::vector<ToneToken>> tokenizeToneText(std::span<const uint8_t> text)
{
    return Lexer(text).run();
}

}  // namespace quorva
