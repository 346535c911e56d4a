// The tone file's grammar (keywords in any case; (n) an integer argument, (v) an integer or
// real argument, [n] an integer index):
//   file     = "quorvatone" 0.7 { tone | tonemap | drumset }
//   tone     = "tone" [n] "{" { "con"(n) | "on"(n) | "perc"(n) | "lpf"(v) | "sn"(n)
//                              | "lfo" "{" { ("dly"|"spd"|"dpt"|"amd"|"pmd") (v) } "}"
//                              | "op" [n] "{" { "con"(n) | value (v) } "}"
//                              | "sec" [n] "{" { "sc"(n) | "op" [n] "{" { value (v) } "}" } "}" } "}"
//   tonemap  = "tonemap" "{" { "tone" "[" program [msb [lsb]] "]" "{" { "tn"(n) } "}" } "}"
//   drumset  = "drumset" [n] "{" { "note" [key] "{" { ("tn"|"sc"|"pan"|"alt") (n) } "}" } "}"
// where value is one of the nineteen operator keywords (toneValueForKeyword). Values are
// converted and checked as they are read; the first misfit ends the parse.
#include <cctype>

#include "synth/tone_bank.h"
#include "synth/tone_lexer.h"

namespace quorva {
namespace {

bool sameWord(const std::string& word, std::string_view keyword)
{
    if (word.size() != keyword.size()) {
        return false;
    }
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(word[i])) != keyword[i]) {
            return false;
        }
    }
    return true;
}

class ToneParser {
public:
    ToneParser(ToneBank& bank, const std::vector<ToneToken>& tokens) : bank_(bank), tokens_(tokens) {}

    bool run()
    {
        if (!keyword("quorvatone")) {
            return false;
        }
        if (atEnd() || peek().kind != ToneTokenKind::Real || peek().real != 0.7) {
            return false;
        }
        ++position_;
        while (!atEnd()) {
            if (!topLevelBlock()) {
                return false;
            }
        }
        return true;
    }

private:
    bool atEnd() const { return position_ >= tokens_.size(); }
    const ToneToken& peek() const { return tokens_[position_]; }

    bool keyword(std::string_view name)
    {
        if (atEnd() || peek().kind != ToneTokenKind::Word || !sameWord(peek().word, name)) {
            return false;
        }
        ++position_;
        return true;
    }

    bool bracket(char which)
    {
        if (atEnd() || peek().kind != ToneTokenKind::Bracket || peek().bracket != which) {
            return false;
        }
        ++position_;
        return true;
    }

    bool integerIn(char open, char close, int32_t& value)
    {
        if (!bracket(open) || atEnd() || peek().kind != ToneTokenKind::Integer) {
            return false;
        }
        value = peek().integer;
        ++position_;
        return bracket(close);
    }

    bool integerArgument(int32_t& value) { return integerIn('(', ')', value); }
    bool index(int32_t& value) { return integerIn('[', ']', value); }

    bool numberArgument(double& value)
    {
        if (!bracket('(') || atEnd()) {
            return false;
        }
        if (peek().kind == ToneTokenKind::Integer) {
            value = peek().integer;
        } else if (peek().kind == ToneTokenKind::Real) {
            value = peek().real;
        } else {
            return false;
        }
        ++position_;
        return bracket(')');
    }

    // Runs item() until the closing brace; false when the tokens run out first.
    template <typename Item>
    bool block(Item&& item)
    {
        if (!bracket('{')) {
            return false;
        }
        while (!atEnd()) {
            if (bracket('}')) {
                return true;
            }
            if (!item()) {
                return false;
            }
        }
        return false;
    }

    bool topLevelBlock()
    {
        int32_t number = 0;
        if (keyword("tone")) {
            if (!index(number)) {
                return false;
            }
            Tone& tone = bank_.defineTone(number);
            return block([&] { return toneItem(tone); });
        }
        if (keyword("tonemap")) {
            return block([&] { return mapItem(); });
        }
        if (keyword("drumset")) {
            if (!index(number) || number < 0 || number > 127) {
                return false;
            }
            DrumSet& set = bank_.defineDrumSet(number);
            return block([&] { return noteBlock(set); });
        }
        return false;
    }

    bool toneItem(Tone& tone)
    {
        int32_t n = 0;
        double v = 0.0;
        if (keyword("con")) {
            return integerArgument(n) && setCarrierMask(tone, n);
        }
        if (keyword("on")) {
            return integerArgument(n) && setOperatorCount(tone, n);
        }
        if (keyword("perc")) {
            return integerArgument(n) && setOneShot(tone, n);
        }
        if (keyword("lpf")) {
            return numberArgument(v) && setOutputSmoothing(tone, v);
        }
        if (keyword("lfo")) {
            return block([&] { return lfoItem(tone); });
        }
        if (keyword("op")) {
            if (!index(n) || n < 0 || n >= toneOperatorCount) {
                return false;
            }
            ToneOperator& op = tone.operators[n];
            return block([&] { return operatorItem(op); });
        }
        if (keyword("sn")) {
            return integerArgument(n) && allocateSplits(tone, n);
        }
        if (keyword("sec")) {
            if (!index(n) || n < 0 || n >= static_cast<int32_t>(tone.splits.size())) {
                return false;
            }
            ToneSplit& split = tone.splits[n];
            return block([&] { return splitItem(split); });
        }
        return false;
    }

    bool lfoItem(Tone& tone)
    {
        double v = 0.0;
        if (keyword("dly")) {
            return numberArgument(v) && setLfoDelay(tone, v);
        }
        if (keyword("spd")) {
            return numberArgument(v) && setLfoStep(tone, v);
        }
        if (keyword("dpt")) {
            return numberArgument(v) && setLfoDepth(tone, v);
        }
        if (keyword("amd")) {
            return numberArgument(v) && setAmpModDepth(tone, v);
        }
        if (keyword("pmd")) {
            return numberArgument(v) && setPitchModDepth(tone, v);
        }
        return false;
    }

    // One of the nineteen value keywords; which is set when it is one.
    bool valueKeyword(ToneValue& which)
    {
        if (atEnd() || peek().kind != ToneTokenKind::Word || !toneValueForKeyword(peek().word, which)) {
            return false;
        }
        ++position_;
        return true;
    }

    bool operatorItem(ToneOperator& op)
    {
        int32_t n = 0;
        if (keyword("con")) {
            return integerArgument(n) && setModulatorMask(op, n);
        }
        ToneValue which{};
        double v = 0.0;
        return valueKeyword(which) && numberArgument(v) && setToneValue(op, which, v);
    }

    bool splitItem(ToneSplit& split)
    {
        int32_t n = 0;
        if (keyword("sc")) {
            if (!integerArgument(n)) {
                return false;
            }
            setSplitKey(split, n);
            return true;
        }
        if (keyword("op")) {
            if (!index(n) || n < 0 || n >= toneOperatorCount) {
                return false;
            }
            ToneSplitOperator& op = split.operators[n];
            return block([&] {
                ToneValue which{};
                double v = 0.0;
                return valueKeyword(which) && numberArgument(v) && setToneValue(op, which, v);
            });
        }
        return false;
    }

    bool mapItem()
    {
        if (!keyword("tone") || !bracket('[')) {
            return false;
        }
        int32_t numbers[3] = {0, 0, 0};
        int count = 0;
        while (count < 3 && !atEnd() && peek().kind == ToneTokenKind::Integer) {
            numbers[count++] = peek().integer;
            ++position_;
        }
        if (count == 0 || !bracket(']')) {
            return false;
        }
        for (int32_t n : numbers) {
            if (n < 0 || n > 127) {
                return false;
            }
        }
        ToneMapEntry& entry =
            bank_.addToneMapEntry(numbers[0], static_cast<uint8_t>(numbers[1]), static_cast<uint8_t>(numbers[2]));
        return block([&] {
            int32_t n = 0;
            if (!keyword("tn") || !integerArgument(n)) {
                return false;
            }
            entry.tone = bank_.findTone(n);
            return true;
        });
    }

    bool noteBlock(DrumSet& set)
    {
        int32_t key = 0;
        if (!keyword("note") || !index(key) || key < 0 || key > 127) {
            return false;
        }
        DrumEntry& entry = set.entries[key];
        return block([&] {
            int32_t n = 0;
            if (keyword("tn")) {
                if (!integerArgument(n)) {
                    return false;
                }
                entry.tone = bank_.findTone(n);
                return true;
            }
            const auto low = [](int32_t value) { return static_cast<uint8_t>(static_cast<uint32_t>(value) & 0xFF); };
            if (keyword("sc")) {
                return integerArgument(n) && (entry.note = low(n), true);
            }
            if (keyword("pan")) {
                return integerArgument(n) && (entry.pan = low(n), true);
            }
            if (keyword("alt")) {
                return integerArgument(n) && (entry.cutKey = low(n), true);
            }
            return false;
        });
    }

    ToneBank& bank_;
    const std::vector<ToneToken>& tokens_;
    std::size_t position_ = 0;
};

}  // namespace

bool ToneBank::loadToneText(std::span<const uint8_t> text)
{
    if (text.size() > maxFileBytes) {
        return false;
    }
    const auto tokens = tokenizeToneText(text);
    if (!tokens) {
        return false;
    }
    const bool parsed = ToneParser(*this, *tokens).run();
    compileAll();
    return parsed;
}

}  // namespace quorva
