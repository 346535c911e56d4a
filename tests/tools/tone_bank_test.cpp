// The shipped tone bank meets its loudness and timbre goals, measured by quorva-tonemeter
// against FluidSynth playing the General MIDI SoundFont, and the meter itself tells a faulty
// bank from a good one.
#include "support/smf_builder.h"
#include "support/run_tool.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <regex>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>

namespace quorva {
namespace {

using Result = testing::ToolResult;

Result runMeter(const std::string& arguments) { return testing::runTool("quorva-tonemeter", arguments); }

std::string sourceFile(const std::string& name)
{
    return std::string(std::getenv("QUORVA_SOURCE_DIR")) + "/data/" + name;
}

// Every goal on the shipped bank: loudness, clipping, and the timbre of every program at five
// keys, every drum key of the eight kits and the generated songs, plus the dense benchmark
// song when its writer is built.
TEST(ToneBank, ShippedBankMeetsItsGoals)
{
    testing::TempDir dir;
    std::string compare = " --compare-song " + sourceFile("demo.mid");
    const std::string denseWriter = std::string(std::getenv("QUORVA_BIN_DIR")) + "/bench_dense_song";
    if (std::filesystem::exists(denseWriter)) {
        const auto dense = (dir / "dense.mid").string();
        ASSERT_EQ(testing::runTool("bench_dense_song", dense).status, 0);
        compare += " --compare-song " + dense;
    }
    const Result result = runMeter("--tones " + sourceFile("fmstone.dat") + " --song " + sourceFile("demo.mid") + compare);
    EXPECT_EQ(result.status, 0) << result.out;
    EXPECT_NE(result.out.find("all 128 within"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("program 48 Orchestra   47/47 keys sound"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("demo.mid"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("every program meets every timbre goal"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("  program 48 Orchestra: key"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("  rock band "), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("  drum grooves "), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Timbre goals: programs PASS; drum kits PASS; songs PASS"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("FAIL"), std::string::npos) << result.out;
}

// The meter's threads each play the reference on a FluidSynth of their own, made at the same
// moment. Made unguarded, one of them now and then played every note 8.7 dB louder. The
// figures must be the same on any number of threads; the race does not show on every run, so
// the threaded meter runs several times (unguarded, about one run in four showed it).
TEST(ToneBank, ReferenceFiguresDoNotDependOnTheThreads)
{
    const std::string arguments = "--tones " + sourceFile("fmstone.dat") + " --no-song --timbre-programs 100-101 --threads ";
    const auto timbreTable = [](const std::string& out) { return out.substr(std::min(out.find("\nTimbre against"), out.size())); };
    const Result single = runMeter(arguments + "1");
    ASSERT_EQ(single.status, 0) << single.out;
    const std::string expected = timbreTable(single.out);
    ASSERT_NE(expected.find("  100  36 "), std::string::npos) << single.out;
    for (int run = 0; run < 8; ++run) {
        const Result threaded = runMeter(arguments + "2");
        ASSERT_EQ(threaded.status, 0) << threaded.out;
        ASSERT_EQ(timbreTable(threaded.out), expected) << "run " << run;
    }
}

// The row of one program and key in the timbre table.
std::string timbreRow(const std::string& out, int program, int key)
{
    char start[32];
    std::snprintf(start, sizeof start, "\n  %3d %3d ", program, key);
    const size_t at = out.find(start);
    if (at == std::string::npos) {
        return "";
    }
    return out.substr(at + 1, out.find('\n', at + 1) - at - 1);
}

// Five faulty tones, each missing one timbre goal the way the old bank did: a carrier with
// feedback (DC), a feedback loop whistling at half the sample rate, a plain sine for the
// bright harmonics guitar (centroid), a sine a fifth above the key (partial) and a wide
// inharmonic cluster (not tonal).
TEST(ToneBank, TimbreFaultsAreNamed)
{
    testing::TempDir dir;
    std::string text = "quorvatone 0.7\r\n";
    const std::string held = " tl(0.8) al(0.8) st(-1) rt(0.05)";
    text += "tone[0]{ on(1) con(1) op[0]{ con(1) ml(0.25)" + held + " } }\r\n";
    text += "tone[1]{ on(1) con(1) op[0]{ con(1) ml(0.9)" + held + " } }\r\n";
    text += "tone[2]{ on(1) con(1) op[0]{" + held + " } }\r\n";
    text += "tone[3]{ on(1) con(1) op[0]{ mul(1.5)" + held + " } }\r\n";
    text += "tone[4]{ on(3) con(4) op[0]{ mul(1.41) tl(1) al(1) } op[1]{ mul(2.23) tl(1) al(1) }"
            " op[2]{ con(3) ml(3)" + held + " } }\r\n";
    text += "tonemap{ tone[29]{ tn(0) } tone[30]{ tn(1) } tone[31]{ tn(2) } tone[32]{ tn(3) } tone[33]{ tn(4) } }\r\n";
    const auto tones = dir.write("faulty.dat", text);
    const Result result = runMeter("--tones " + tones.string() + " --no-song --dense-seconds 2 --timbre-programs 29-33");
    EXPECT_EQ(result.status, 1) << result.out;
    const std::regex dcMiss(R"(^\s+29\s+60\s+-?[0-9.]+! )");
    EXPECT_TRUE(std::regex_search(timbreRow(result.out, 29, 60), dcMiss)) << timbreRow(result.out, 29, 60);
    const std::regex whistle(R"(^\s+30\s+60\s+-?[0-9.]+ \s+[0-9.]+%! \s*[0-9.]+%! )");
    EXPECT_TRUE(std::regex_search(timbreRow(result.out, 30, 60), whistle)) << timbreRow(result.out, 30, 60);
    const std::regex dull(R"(\s[0-9.]+! [01]\.[0-9]{2} )");
    EXPECT_TRUE(std::regex_search(timbreRow(result.out, 31, 60), dull)) << timbreRow(result.out, 31, 60);
    const std::regex fifth(R"(x 1\.50!)");
    EXPECT_TRUE(std::regex_search(timbreRow(result.out, 32, 60), fifth)) << timbreRow(result.out, 32, 60);
    const std::regex noise(R"( 0\.[0-4][0-9]! )");
    EXPECT_TRUE(std::regex_search(timbreRow(result.out, 33, 60), noise)) << timbreRow(result.out, 33, 60);
    EXPECT_NE(result.out.find("5 programs fail: 29 30 31 32 33"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Timbre goals: programs 29-33 FAIL (drum kits and songs not measured)"), std::string::npos);
    EXPECT_EQ(timbreRow(result.out, 28, 60), "") << "programs outside the range are not measured";

    // A plain sine passes every goal where the reference is a plain, dark tone: the ocarina.
    const auto sine = dir.write("sine.dat", "quorvatone 0.7\r\ntone[0]{ on(1) con(1) op[0]{" + held +
                                                " } }\r\ntonemap{ tone[79]{ tn(0) } }\r\n");
    const Result ocarina = runMeter("--tones " + sine.string() + " --no-song --dense-seconds 2 --timbre-programs 79-79");
    EXPECT_NE(ocarina.out.find("Timbre goals: programs 79-79 PASS"), std::string::npos) << ocarina.out;
}

// One tone for program 0 and one drum key: every other program is silent, most drum keys
// too; programs 1, 9, 17, ... are far too loud (six full-level carriers) and clip the dense
// song. Drum key 36 holds one sine at full level for the whole second of its hit.
std::string faultyBank()
{
    std::string text = "quorvatone 0.7\r\n";
    text += "tone[0]{ on(1) con(1) op[0]{ tl(0.5) al(0.5) st(-1) rt(0.1) } }\r\n";
    text += "tone[1]{ on(6) con(63) op[0]{ tl(1) al(1) vs(2) } op[1]{ tl(1) al(1) vs(2) } op[2]{ tl(1) al(1) vs(2) }"
            " op[3]{ tl(1) al(1) vs(2) } op[4]{ tl(1) al(1) vs(2) } op[5]{ tl(1) al(1) vs(2) } }\r\n";
    text += "tone[2]{ on(1) con(1) perc(1) op[0]{ tl(1) al(1) st(-1) } }\r\n";
    text += "tonemap{ tone[0]{ tn(0) } ";
    for (int program = 1; program < 128; program += 8) {
        text += "tone[" + std::to_string(program) + "]{ tn(1) } ";
    }
    text += "}\r\ndrumset[0]{ note[36]{ tn(2) sc(60) } }\r\n";
    return text;
}

TEST(ToneBank, FaultyBankFailsAndIsNamed)
{
    testing::TempDir dir;
    const auto tones = dir.write("faulty.dat", faultyBank());
    const std::string arguments = "--tones " + tones.string() + " --no-song --dense-seconds 4 --no-timbre";
    const Result result = runMeter(arguments);
    EXPECT_EQ(result.status, 1) << result.out;
    EXPECT_NE(result.out.find("   10 chromatic perc.  rms  -200.0  peak  -200.0"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("SILENT"), std::string::npos);
    EXPECT_NE(result.out.find("program  0 Standard     1/47 keys sound"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("SILENT: 35 37 38"), std::string::npos);
    // The held sine ignores note-off (a drum's way) and never decays: it would sound forever.
    EXPECT_NE(result.out.find("; RINGS ON: 36\n"), std::string::npos) << result.out;
    // Velocity 100 on the rhythm channel at volume 100: the engine's mix peaks at 5975424,
    // which level shift 6 turns into 5835 in 16 bits (-15.0 dBFS); a held sine's RMS is 3 dB
    // below. Level shift 7 doubles both.
    EXPECT_NE(result.out.find(" 36:-15.0/-18.0 "), std::string::npos) << result.out;
    const Result louder = runMeter(arguments + " --level-shift 7 --report-only");
    EXPECT_NE(louder.out.find(" 36: -9.0/-12.0 "), std::string::npos) << louder.out;
    EXPECT_NE(result.out.find("TOO MANY"), std::string::npos) << "six full carriers must clip the dense song";
    EXPECT_NE(result.out.find("FAIL; every drum key sounds and ends: FAIL; songs clip below 0.01%: FAIL"), std::string::npos);

    // The same figures, but only a report.
    EXPECT_EQ(runMeter(arguments + " --report-only").status, 0);
}

// Every program and every key of drum set 0 plays one sine; `changes` gives some programs
// a sine of another level, and drum set 25 holds only key 36.
std::string evenBank(const std::string& changes)
{
    std::string text = "quorvatone 0.7\r\n";
    text += "tone[0]{ on(1) con(1) op[0]{ tl(0.6) al(0.6) st(-1) rt(0.05) } }\r\n";
    text += "tone[1]{ on(1) con(1) op[0]{ tl(0.3375) al(0.3375) st(-1) rt(0.05) } }\r\n";  // 10 dB down
    text += "tone[2]{ on(1) con(1) op[0]{ tl(0.8) al(0.8) st(-1) rt(0.05) } }\r\n";  // 5 dB up
    text += "tonemap{ ";
    for (int program = 0; program < 128; ++program) {
        text += "tone[" + std::to_string(program) + "]{ tn(0) } ";
    }
    text += changes + " }\r\ndrumset[0]{ ";
    for (int key = 35; key <= 81; ++key) {
        text += "note[" + std::to_string(key) + "]{ tn(0) sc(60) } ";
    }
    text += "}\r\ndrumset[25]{ note[36]{ tn(0) } }\r\n";
    return text;
}

// The generated songs the timbre is compared on are Standard MIDI Files the player loads:
// 120 beats per minute, eight bars (16 s), the parts on their channels.
TEST(ToneBank, GeneratedSongsAreSongs)
{
    testing::TempDir dir;
    const Result result = runMeter("--tones " + sourceFile("fmstone.dat") +
                                   " --no-song --dense-seconds 1 --timbre-programs 0-0 --write-songs " + dir.path().string());
    EXPECT_EQ(result.status, 0) << result.out;
    struct Expected {
        const char* file;
        const char* events;  // a channel message that must be played
    };
    for (const Expected& song : {Expected{"rock_band.mid", " c0 1e"}, Expected{"orchestra.mid", " c9 30"},
                                 Expected{"jazz_combo.mid", " c2 42"}, Expected{"solo_piano.mid", " b0 40 7f"},
                                 Expected{"drum_grooves.mid", " c9 19"}}) {
        const std::string path = (dir / song.file).string();
        const Result info = testing::runTool("quorva-render", path + " --info");
        EXPECT_EQ(info.status, 0) << song.file << info.out;
        EXPECT_NE(info.out.find("division: 480"), std::string::npos) << song.file << info.out;
        EXPECT_NE(info.out.find("endMs: 1"), std::string::npos) << song.file << info.out;  // 16-17 s
        EXPECT_NE(info.out.find("tempo: 0 500000"), std::string::npos) << song.file << info.out;
        const Result events = testing::runTool("quorva-render", path + " --events");
        EXPECT_NE(events.out.find(song.events), std::string::npos) << song.file;
    }
}

TEST(ToneBank, ProgramsOutsideTheToleranceAndKitsWithGapsAreNamed)
{
    testing::TempDir dir;
    const auto tones = dir.write("even.dat", evenBank("tone[5]{ tn(1) } tone[6]{ tn(2) }"));
    const Result result = runMeter("--tones " + tones.string() + " --no-song --dense-seconds 2 --no-timbre");
    EXPECT_EQ(result.status, 1) << result.out;
    EXPECT_NE(result.out.find("worst deviation -10.0 dB (program 5)"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("1 outside or silent: 5\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("    6 piano            rms   -21.9  peak    -9.6    +5.0\n"), std::string::npos) << "5 dB up is within";
    // The rhythm channel's program 25 selects set 25; the other kit programs fall back to set 0.
    EXPECT_NE(result.out.find("program 25 Analog       1/47 keys sound"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("program 24 Electronic  47/47 keys sound"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("every drum key sounds and ends: FAIL; songs clip below 0.01%: PASS"), std::string::npos);

    const auto fixed = dir.write("fixed.dat", evenBank("tone[6]{ tn(2) }"));
    const Result fine = runMeter("--tones " + fixed.string() + " --no-song --dense-seconds 2 --no-timbre");
    EXPECT_NE(fine.out.find("all 128 within"), std::string::npos) << fine.out;
}

TEST(ToneBank, SongFilesAreMeasuredThroughTheSequencer)
{
    testing::TempDir dir;
    const auto tones = dir.write("even.dat", evenBank(""));
    testing::TrackBuilder part;
    part.event(0, {0x90, 60, 100}).event(960, {0x80, 60, 0});
    const auto song = dir.write("one.mid", testing::buildSmf(0, 480, {part}));
    const Result result = runMeter("--tones " + tones.string() + " --song " + song.string() + " --dense-seconds 2 --no-timbre");
    EXPECT_EQ(result.status, 1) << "set 25 has gaps: " << result.out;
    // One sine at level 0.6 (0.36 of full scale after squaring): 5835 * 0.36 = 2100 in 16 bits.
    EXPECT_NE(result.out.find("one.mid, 24 v.               peak  -23.9"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("clipped 0 of"), std::string::npos) << result.out;
}

TEST(ToneBank, BadOptionsAndMissingFilesAreRefused)
{
    testing::TempDir dir;
    EXPECT_EQ(runMeter("--tones " + (dir / "missing.dat").string()).status, 2);
    EXPECT_EQ(runMeter("--level-shift 9").status, 2);
    EXPECT_EQ(runMeter("--voices 12").status, 2);
    EXPECT_EQ(runMeter("--tones").status, 2);
    EXPECT_EQ(runMeter("--frobnicate 1").status, 2);
    EXPECT_EQ(runMeter("--threads 0").status, 2);
    EXPECT_EQ(runMeter("--timbre-programs 5-2").status, 2);
    EXPECT_EQ(runMeter("--timbre-programs 0-128").status, 2);
    const Result noFont = runMeter("--tones " + sourceFile("fmstone.dat") + " --no-song --dense-seconds 1 --timbre-programs 0-0"
                                   " --sound-font " + (dir / "missing.sf2").string());
    EXPECT_EQ(noFont.status, 2) << noFont.out;
    EXPECT_NE(noFont.out.find("cannot load the SoundFont"), std::string::npos) << noFont.out;
    // A song that cannot be rendered is a failed goal, not a crash.
    const auto notSong = dir.write("text.mid", std::string("not a song"));
    const Result result =
        runMeter("--tones " + sourceFile("fmstone.dat") + " --dense-seconds 2 --no-timbre --song " + notSong.string());
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find("text.mid"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("FAILED"), std::string::npos) << result.out;
}

}  // namespace
}  // namespace quorva
