#pragma once
#include "support/temp_dir.h"

#include <string>

namespace quorva::testing {

// A small tone file: program 0 a held sine at full level (no tremolo, no smoothing),
// program 1 a decaying two-operator FM tone, program 2 a one-shot tone, program 3 a tone
// without operators, program 5 the held sine standing still at its peak; drum set 0 with a bass drum (played at key 48, panned left), a closed
// hi-hat that cuts the open one, and the open hi-hat.
inline std::string synthTestTones()
{
    const char* lines[] = {
        "quorvatone 0.7",
        "tone[0]{ on(1) con(1) lfo{amd(0) pmd(0)} op[0]{ tl(1.0) al(1.0) } }",
        "tone[1]{ on(2) con(1) lpf(0.5) lfo{dpt(0.5) dly(0.01)}",
        "  op[0]{ con(2) tl(0.9) al(0.9) at1(0.002) dt1(0.05) dl(0.6) dt2(0.3) sl(0.3) st(1.5) rt(0.05) }",
        "  op[1]{ con(2) mul(2.0) ml(1.5) tl(0.7) al(0.7) st(0.4) rt(0.1) } }",
        "tone[2]{ on(1) con(1) perc(1) op[0]{ tl(0.8) al(0.8) st(0.2) rt(0.01) } }",
        "tone[3]{ on(0) }",
        "tone[4]{ on(1) con(1) op[0]{ tl(0.8) al(0.8) dt1(0.01) dl(0.5) st(0.05) rt(0.02) } }",
        "tone[5]{ on(1) con(1) lfo{amd(0) pmd(0)} op[0]{ mul(0) ph(0.25) tl(1.0) al(1.0) } }",
        "tonemap{ tone[0]{tn(0)} tone[1]{tn(1)} tone[2]{tn(2)} tone[3]{tn(3)} tone[4]{tn(4)} tone[5]{tn(5)} }",
        "drumset[0]{ note[36]{tn(4) sc(48) pan(0)} note[42]{tn(4) sc(80) alt(46)} note[46]{tn(1) sc(80) pan(100)}",
        "  note[49]{tn(2) sc(70)} }",
    };
    std::string text;
    for (const char* line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

}  // namespace quorva::testing
