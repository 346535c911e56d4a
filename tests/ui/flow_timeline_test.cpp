#include "ui/coming_notes.h"
#include "ui/flow_timeline.h"
#include "ui/keyboard_views.h"
#include "ui/flow_views.h"
#include "ui/view_sprites.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

namespace quorva {
namespace {

std::vector<int32_t> lines(const GridStart& start, GridKind kind)
{
    std::vector<int32_t> rows;
    forEachGridLine(start, kind, [&](int32_t y) { rows.push_back(y); });
    return rows;
}

// Division 96 at a flow scale of 32 pixels per quarter: a third of a pixel per tick.
GridStart fourFour(uint32_t position = 0)
{
    GridStart start;
    start.position = position;
    start.division = 96;
    start.pixelsPerTick = pixelsPerTick(32.9f, 96);
    return start;
}

TEST(FlowGrid, BeatAndMeasureLinesLieAheadOfThePosition)
{
    EXPECT_DOUBLE_EQ(pixelsPerTick(32.9f, 96), 32.0 / 96);
    EXPECT_EQ(pixelsPerTick(64.0f, 0), 0);
    // The first line is a whole beat ahead when the position sits on a beat.
    EXPECT_EQ(lines(fourFour(), GridKind::Beats), (std::vector<int32_t>{32, 64, 96, 128, 160, 192, 224, 256}));
    EXPECT_EQ(lines(fourFour(), GridKind::Measures), (std::vector<int32_t>{128, 256}));
    // 48 ticks into the song the next beat is 48 ticks (16 pixels) away; the meter counts from
    // its own tick.
    EXPECT_EQ(lines(fourFour(48), GridKind::Beats).front(), 16);
    GridStart late = fourFour(400);
    late.meterTick = 100;
    EXPECT_EQ(lines(late, GridKind::Measures).front(), (384 - 300) / 3);
    // Six eighths: a beat is an eighth, a measure six of them.
    GridStart sixEight = fourFour();
    sixEight.numerator = 6;
    sixEight.denominatorPower = 3;
    EXPECT_EQ(lines(sixEight, GridKind::Beats).front(), 16);
    EXPECT_EQ(lines(sixEight, GridKind::Measures), (std::vector<int32_t>{96, 192}));
}

TEST(FlowGrid, AMeterChangeMovesTheNextMeasureLineAndTheSpacing)
{
    // 4/4 to 3/4 at tick 288: the measure line moves from 384 to the change, and the following
    // ones come three beats apart.
    TimeSignatureEvent change(288, 0, 3, 2);
    GridStart start = fourFour();
    start.nextChange = &change;
    EXPECT_EQ(lines(start, GridKind::Measures), (std::vector<int32_t>{96, 192}));
    // Two meters at one tick are taken together; the last holds.
    TimeSignatureEvent first(384, 0, 2, 2);
    TimeSignatureEvent second(384, 0, 3, 2);
    first.next = &second;
    start.nextChange = &first;
    EXPECT_EQ(lines(start, GridKind::Measures), (std::vector<int32_t>{128, 224}));
    // A change of the beat's note value moves the beat lines too: eighths from tick 96 on.
    TimeSignatureEvent eighths(96, 0, 6, 3);
    start.nextChange = &eighths;
    const auto beats = lines(start, GridKind::Beats);
    ASSERT_GE(beats.size(), 3u);
    EXPECT_EQ(beats[0], 32);
    EXPECT_EQ(beats[1], 48);
}

TEST(FlowGrid, AMeterShorterThanATickLeavesTheGridOut)
{
    GridStart start = fourFour();
    start.denominatorPower = 9;  // 4 x 96 / 512 of a tick
    EXPECT_TRUE(lines(start, GridKind::Beats).empty());
    start.denominatorPower = 8;  // 1.5 ticks: drawn, every row at most once
    const auto dense = lines(start, GridKind::Beats);
    EXPECT_FALSE(dense.empty());
    EXPECT_LE(dense.size(), 288u);
    // A malformed change later ends the lines where it takes effect.
    TimeSignatureEvent broken(192, 0, 4, 200);
    GridStart changing = fourFour();
    changing.nextChange = &broken;
    EXPECT_EQ(lines(changing, GridKind::Beats), (std::vector<int32_t>{32}));
    // No song or no scale: nothing, and no endless loop.
    GridStart empty;
    EXPECT_TRUE(lines(empty, GridKind::Measures).empty());
    GridStart flat = fourFour();
    flat.pixelsPerTick = 0;
    EXPECT_TRUE(lines(flat, GridKind::Beats).empty());
    // A zero numerator has no measure.
    GridStart zero = fourFour();
    zero.numerator = 0;
    EXPECT_TRUE(lines(zero, GridKind::Measures).empty());
}

struct EventList {
    void add(SongEvent event) { stream.push_back(event); }
    void note(uint32_t tick, uint8_t status, uint8_t key, uint8_t velocity)
    {
        add(SongEvent::channel(tick, status | (key << 8) | (velocity << 16)));
    }
    std::vector<SongEvent> stream;
};

TEST(FlowNotes, ComingNotesAreTheNoteOnsWithinTheLanes)
{
    EventList events;
    events.note(100, 0x90, 60, 100);  // already passed by the cursor
    events.note(480, 0x91, 62, 100);
    events.note(480, 0x91, 63, 0);   // a note off in disguise
    events.note(500, 0x81, 64, 64);  // note off
    events.add(SongEvent::stored(600, 0));  // a tempo change
    events.note(960, 0x9F, 65, 1);
    events.note(1440, 0x90, 66, 1);  // 288 pixels: still in
    events.note(1441, 0x90, 67, 1);  // beyond: the walk ends here
    events.note(0, 0x90, 68, 1);     // never reached
    std::vector<std::array<int32_t, 3>> seen;
    forEachComingNote(events.stream, 1, 480, 0.3, [&](int32_t channel, int32_t note, int32_t y) {
        seen.push_back({channel, note, y});
    });
    EXPECT_EQ(seen, (std::vector<std::array<int32_t, 3>>{{1, 62, 0}, {15, 65, 144}, {0, 66, 288}}));
    seen.clear();
    forEachComingNote(events.stream, events.stream.size(), 0, 0.3, [&](int32_t, int32_t, int32_t) { seen.push_back({}); });
    EXPECT_TRUE(seen.empty());
}

TEST(FlowNotes, KeptComingNotesAreTheOnesAFreshWalkFinds)
{
    // A song of note ons, note offs and tempo changes, some ticks shared, played frame by
    // frame with seeks back and forth and changes of scale.
    EventList events;
    uint32_t seed = 7;
    auto random = [&seed](uint32_t range) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % range;
    };
    uint32_t tick = 0;
    for (int i = 0; i < 4000; ++i) {
        tick += random(4) == 0 ? 0 : random(40);
        if (random(50) == 0) {
            events.add(SongEvent::stored(tick, 0));  // a tempo change
        } else {
            const auto status = static_cast<uint8_t>((random(3) == 0 ? 0x80 : 0x90) | random(16));
            events.note(tick, status, static_cast<uint8_t>(random(128)), static_cast<uint8_t>(random(4) == 0 ? 0 : 100));
        }
    }
    ComingNotes kept;
    using Seen = std::vector<std::array<int32_t, 3>>;
    uint32_t position = 0;
    double scale = 0.3;
    uint64_t song = 1;
    uint16_t channels = 0xFFFF;
    size_t frames = 0;
    for (int frame = 0; frame < 3000; ++frame) {
        const uint32_t step = random(100);
        if (step == 0) {
            position = random(tick + 100);  // a seek anywhere
        } else if (step == 1) {
            scale = 0.05 + random(100) / 100.0;  // the flow scale moved
        } else if (step == 2) {
            ++song;  // the song loaded again
        } else if (step == 3) {
            channels = static_cast<uint16_t>(random(0x10000));  // other channels shown
        } else {
            position += random(30);
        }
        const auto reached = std::upper_bound(events.stream.begin(), events.stream.end(), position,
                                              [](uint32_t at, const SongEvent& event) { return at < event.tick; });
        const auto cursor = static_cast<size_t>(reached - events.stream.begin());
        Seen walked;
        forEachComingNote(events.stream, cursor, position, scale,
                          [&](int32_t channel, int32_t note, int32_t y) {
                              if ((channels >> channel & 1) != 0) {
                                  walked.push_back({channel, note, y});
                              }
                          });
        kept.update(events.stream, song, cursor, position, scale, channels);
        Seen fromKept;
        kept.forEach(position, scale, [&](int32_t channel, int32_t note, int32_t y) { fromKept.push_back({channel, note, y}); });
        ASSERT_EQ(fromKept, walked) << "frame " << frame << " at " << position;
        frames += walked.empty() ? 0 : 1;
    }
    EXPECT_GT(frames, 1500u);  // most frames had notes to compare
}

TEST(FlowNotes, PastTheBudgetAMarkOnALaneRowAlreadyTakenIsSkipped)
{
    MarkBudget marks;
    for (size_t i = 0; i < MarkBudget::budget; ++i) {
        EXPECT_TRUE(marks.take(60, 10));  // within the budget every mark is drawn
    }
    EXPECT_FALSE(marks.take(60, 10));
    EXPECT_TRUE(marks.take(60, 11));
    EXPECT_TRUE(marks.take(61, 10));
    EXPECT_FALSE(marks.take(61, 10));
    EXPECT_TRUE(marks.take(200, 10));  // outside the lanes: drawn (and clipped) as before
    marks.reset();
    EXPECT_TRUE(marks.take(60, 10));
    EXPECT_TRUE(marks.take(60, 10));
}

TEST(ViewGeometry, KeysGlowsAndLanes)
{
    // Middle C in KB.FULL: the sixth octave, at x 422; 0 and 120 up are not drawn.
    EXPECT_EQ(KeyboardFullView::octaveLeft(60), 422);
    EXPECT_EQ(KeyboardFullView::octaveLeft(66), 422);
    EXPECT_EQ(KeyboardFullView::octaveLeft(1), 212);
    EXPECT_EQ(KeyboardFullView::octaveLeft(0), -1);
    EXPECT_EQ(KeyboardFullView::octaveLeft(119), 590);
    EXPECT_EQ(KeyboardFullView::octaveLeft(120), -1);
    EXPECT_EQ(KeyboardFullView::glowWeight(0), 32);
    EXPECT_EQ(KeyboardFullView::glowWeight(96), 16);
    EXPECT_EQ(KeyboardFullView::glowWeight(191), 0);
    EXPECT_EQ(KeyboardFullView::glowWeight(192), 0);
    // The flow glows start at 16; held notes keep 8.
    EXPECT_EQ(KeyboardFlowView::glowWeight(0, false), 16);
    EXPECT_EQ(KeyboardFlowView::glowWeight(100, false), 8);
    EXPECT_EQ(KeyboardFlowView::glowWeight(5000, false), 8);
    EXPECT_EQ(KeyboardFlowView::glowWeight(96, true), 8);
    EXPECT_EQ(KeyboardFlowView::glowWeight(100, true), 7);
    EXPECT_EQ(KeyboardFlowView::glowWeight(192, true), 0);
    EXPECT_EQ(DrumFlowView::glowWeight(100), 7);
    // The drum lanes take only their own notes.
    EXPECT_EQ(drumLaneOf(49), 0);
    EXPECT_EQ(drumLaneOf(46), 1);
    EXPECT_EQ(drumLaneOf(38), 2);
    EXPECT_EQ(drumLaneOf(36), 3);
    EXPECT_EQ(drumLaneOf(50), 4);
    EXPECT_EQ(drumLaneOf(45), 5);
    EXPECT_EQ(drumLaneOf(41), 6);
    EXPECT_EQ(drumLaneOf(59), 7);
    for (int note : {0, 34, 37, 39, 44, 54, 56, 58, 60, 127}) {
        EXPECT_EQ(drumLaneOf(note), -1) << note;
    }
}

}  // namespace
}  // namespace quorva
