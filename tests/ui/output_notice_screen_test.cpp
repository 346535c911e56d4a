// The main screen when the output is lost mid-song: the song text area's last row tells it
// for ten seconds, then shows the song's own text again.
#include "app/output_watch.h"
#include "platform/fake/recording_text_renderer.h"
#include "render/screen_session.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace quorva {
namespace {

using testing::TrackBuilder;

// An output that reports once what the test gives it.
class ReportingPort final : public MidiPort {
public:
    std::optional<PortReport> maintain(uint32_t) override
    {
        std::optional<PortReport> report;
        report.swap(pending);
        return report;
    }
    std::optional<PortReport> pending;
};

class ReportingFactory final : public PortFactory {
public:
    std::unique_ptr<MidiPort> makeMidiOut() override
    {
        auto port = std::make_unique<ReportingPort>();
        last = port.get();
        return port;
    }
    std::unique_ptr<MidiPort> makeSoftSynth() override { return makeMidiOut(); }
    std::unique_ptr<MidiPort> makeFmSynth() override { return makeMidiOut(); }
    std::unique_ptr<MidiPort> makeNull() override { return makeMidiOut(); }
    ReportingPort* last = nullptr;
};

bool drew(const RecordingTextRenderer& text, int32_t x, int32_t y, const std::string& line)
{
    for (const auto& call : text.calls) {
        if (call.x == x && call.y == y && call.text == line) {
            return true;
        }
    }
    return false;
}

TEST(OutputNoticeScreen, TheLastSongTextRowTellsOfTheLostOutputForTenSeconds)
{
    RecordingTextRenderer text;
    ReportingFactory factory;
    ScreenSession session(std::getenv("QUORVA_BIN_DIR"), &text, &factory);
    std::string error;
    ASSERT_TRUE(session.open(error)) << error;
    std::FILE* errors = std::tmpfile();
    OutputWatch watch(session.ports, session.sequencer, session.clock, errors);
    session.mainScreen.setOutputWatch(&watch);

    testing::TempDir songs;
    TrackBuilder track;
    track.text(0, 3, "Title").text(0, 1, "Comment").event(0, {0x90, 60, 100}).event(480 * 64, {0x80, 60, 0});
    const auto path = songs.write("song.mid", testing::buildSmf(0, 480, {track}));
    ASSERT_TRUE(session.loadAndPlay(path.string(), error)) << error;
    session.runUntil(500);
    EXPECT_TRUE(drew(text, 318, 452, "Comment"));

    ASSERT_NE(factory.last, nullptr);
    factory.last->pending = PortReport{"MIDI output \"jack: synth:in\" is gone: playing on it", false};
    watch.betweenFrames();
    text.calls.clear();
    session.runUntil(1000);
    EXPECT_TRUE(drew(text, 318, 452, "MIDI output \"jack: synth:in\" is gone: playing on it"));
    EXPECT_FALSE(drew(text, 318, 452, "Comment"));
    EXPECT_TRUE(drew(text, 318, 392, "Title"));

    text.calls.clear();
    session.runUntil(500 + OutputWatch::noticeMs + 100);
    text.calls.clear();
    session.frame();
    EXPECT_TRUE(drew(text, 318, 452, "Comment"));
    std::fclose(errors);
}

}  // namespace
}  // namespace quorva
