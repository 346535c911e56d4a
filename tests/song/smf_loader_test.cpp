#include "support/smf_builder.h"
#include "support/temp_dir.h"

#include "platform/fake/recording_message_box.h"
#include "platform/manual_clock.h"
#include "song/smf_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace quorva {
namespace {

using testing::buildSmf;
using testing::TrackBuilder;

std::vector<uint32_t> messagesOf(const SmfFile& song)
{
    std::vector<uint32_t> out;
    for (const SongEvent& event : song.events()) {
        if (event.isChannel()) {
            out.push_back(event.message());
        }
    }
    return out;
}

TEST(SmfLoader, MergesTracksStablyByTick)
{
    TrackBuilder format0;
    format0.event(0, {0x90, 60, 100}).event(0, {0x90, 64, 100}).event(10, {0x80, 60, 0}).event(0, {0x80, 64, 0});
    SmfFile single;
    auto bytes = buildSmf(0, 96, {format0});
    ASSERT_TRUE(single.loadBytes(bytes.data(), bytes.size()));
    EXPECT_EQ(messagesOf(single), (std::vector<uint32_t>{0x643C90, 0x644090, 0x3C80, 0x4080}));

    TrackBuilder first, second, third;
    first.event(0, {0x90, 1, 1}).event(5, {0x90, 2, 1}).event(0, {0x90, 3, 1});
    second.event(5, {0x91, 4, 1}).event(0, {0x91, 5, 1}).event(5, {0x91, 6, 1});
    third.event(0, {0x92, 7, 1}).event(10, {0x92, 8, 1});
    SmfFile merged;
    bytes = buildSmf(1, 96, {first, second, third});
    ASSERT_TRUE(merged.loadBytes(bytes.data(), bytes.size()));
    std::vector<int> notes;
    for (uint32_t message : messagesOf(merged)) {
        notes.push_back((message >> 8) & 0xFF);
    }
    // tick 0: 1 (track 0), 7 (track 2); tick 5: 2, 3 (track 0), 4, 5 (track 1); tick 10: 6, 8.
    EXPECT_EQ(notes, (std::vector<int>{1, 7, 2, 3, 4, 5, 6, 8}));
}

TEST(SmfLoader, MergeMatchesAStableSortOnRandomSongs)
{
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        const int trackCount = 1 + static_cast<int>(random() % 40);
        std::vector<TrackBuilder> tracks(trackCount);
        std::vector<std::pair<uint32_t, uint32_t>> expected;  // (tick, message) in track order
        for (int t = 0; t < trackCount; ++t) {
            uint32_t tick = 0;
            const int count = static_cast<int>(random() % 50);
            for (int i = 0; i < count; ++i) {
                const uint32_t delta = random() % 4 == 0 ? random() % 20 : 0;
                tick += delta;
                const uint8_t note = static_cast<uint8_t>(random() % 128);
                tracks[t].event(delta, {static_cast<uint8_t>(0x90 | (t & 15)), note, static_cast<uint8_t>(t % 127 + 1)});
                expected.emplace_back(tick, packShort(static_cast<uint8_t>(0x90 | (t & 15)), note, static_cast<uint8_t>(t % 127 + 1)));
            }
        }
        std::stable_sort(expected.begin(), expected.end(), [](auto& a, auto& b) { return a.first < b.first; });
        SmfFile song;
        const auto bytes = buildSmf(1, 480, tracks);
        ASSERT_TRUE(song.loadBytes(bytes.data(), bytes.size()));
        ASSERT_EQ(song.events().size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(song.events()[i].tick, expected[i].first);
            EXPECT_EQ(song.events()[i].message(), expected[i].second);
        }
    }
}

TEST(SmfLoader, TrackWhoseTickWrapsIsMergedByInsertion)
{
    // Track 1's tick wraps past 2^32 back to 3: it is inserted right after track 0's tick 0..3
    // events, searching backward from its previous insertion point.
    TrackBuilder first, second;
    first.event(0, {0x90, 1, 1}).event(5, {0x90, 2, 1});
    second.event(10, {0x91, 3, 1}).event(0xFFFFFFF9u, {0x91, 4, 1});
    SmfFile song;
    const auto bytes = buildSmf(1, 96, {first, second});
    ASSERT_TRUE(song.loadBytes(bytes.data(), bytes.size()));
    std::vector<uint32_t> ticks;
    for (const SongEvent& event : song.events()) {
        ticks.push_back(event.tick);
    }
    EXPECT_EQ(ticks, (std::vector<uint32_t>{0, 3, 5, 10}));
}

TEST(SmfLoader, SingleTrackWhoseTickWrapsIsOrderedByTickToo)
{
    // The third event's delta wraps the 32-bit sum back to 3: it goes between 0 and 10, as
    // it would in a song of several tracks.
    TrackBuilder track;
    track.event(0, {0x90, 1, 1}).event(10, {0x90, 2, 1}).event(0xFFFFFFF9u, {0x90, 3, 1}).event(0, {0x90, 4, 1});
    SmfFile song;
    const auto bytes = buildSmf(0, 96, {track});
    ASSERT_TRUE(song.loadBytes(bytes.data(), bytes.size()));
    std::vector<uint32_t> ticks;
    for (const SongEvent& event : song.events()) {
        ticks.push_back(event.tick);
    }
    EXPECT_EQ(ticks, (std::vector<uint32_t>{0, 3, 3, 10}));
    EXPECT_EQ(messagesOf(song), (std::vector<uint32_t>{0x10190, 0x10390, 0x10490, 0x10290}));
}

TEST(SmfLoader, MetersSharingATickAreTakenTogetherAndTheLastHolds)
{
    // 4/4 then 3/4 at tick 0 (the meter repeated in a second track), 2/4 from tick 2880;
    // the last note at 5760 and a second of tail give an end at 6720: two bars of 3/4 and
    // four and a bit of 2/4.
    TrackBuilder conductor, part;
    conductor.timeSignature(0, 4, 2).timeSignature(2880, 2, 2);
    part.timeSignature(0, 3, 2).event(5760, {0x90, 60, 1});
    SmfFile song;
    const auto bytes = buildSmf(1, 480, {conductor, part});
    ASSERT_TRUE(song.loadBytes(bytes.data(), bytes.size()));
    ASSERT_EQ(song.endTick(), 6720u);
    EXPECT_EQ(song.measureCount(), 6u);
    const TimeSignatureEvent* last = song.lastTimeSignature();
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->numerator, 2);
    EXPECT_EQ(last->measure, 2);

    // Without the duplicate the count is the same.
    TrackBuilder plain;
    plain.timeSignature(0, 3, 2).timeSignature(2880, 2, 2).event(2880, {0x90, 60, 1});
    const auto plainBytes = buildSmf(0, 480, {plain});
    ASSERT_TRUE(song.loadBytes(plainBytes.data(), plainBytes.size()));
    EXPECT_EQ(song.measureCount(), 6u);
}

TEST(SmfLoader, RefusesBadHeaders)
{
    TrackBuilder track;
    track.event(0, {0x90, 60, 100});
    auto good = buildSmf(0, 480, {track});
    SmfFile song;
    ASSERT_TRUE(song.loadBytes(good.data(), good.size()));

    auto longHeader = good;
    longHeader[7] = 8;
    EXPECT_FALSE(song.loadBytes(longHeader.data(), longHeader.size()));
    auto format2 = buildSmf(2, 480, {track});
    EXPECT_FALSE(song.loadBytes(format2.data(), format2.size()));
    auto smpte = good;
    smpte[12] = 0xE7;
    EXPECT_FALSE(song.loadBytes(smpte.data(), smpte.size()));
    auto zeroDivision = buildSmf(0, 0, {track});
    EXPECT_FALSE(song.loadBytes(zeroDivision.data(), zeroDivision.size()));
    EXPECT_FALSE(song.loadBytes(good.data(), 13));
    auto notMidi = good;
    notMidi[0] = 'R';
    EXPECT_FALSE(song.loadBytes(notMidi.data(), notMidi.size()));
    EXPECT_FALSE(song.loaded());
    EXPECT_TRUE(song.events().empty());
}

TEST(SmfLoader, AForeignChunkEndsTheTracks)
{
    TrackBuilder first, second;
    first.event(0, {0x90, 60, 100});
    second.event(0, {0x90, 62, 100});
    auto bytes = buildSmf(1, 480, {first});
    const std::vector<uint8_t> vendor = {'X', 'F', 'I', 'H', 0, 0, 0, 2, 1, 2};
    bytes.insert(bytes.end(), vendor.begin(), vendor.end());
    const auto more = buildSmf(1, 480, {second});
    bytes.insert(bytes.end(), more.begin() + 14, more.end());
    SmfFile song;
    ASSERT_TRUE(song.loadBytes(bytes.data(), bytes.size()));
    EXPECT_EQ(messagesOf(song), (std::vector<uint32_t>{0x643C90}));
}

TEST(SmfLoader, EndTimeAndMeasureCount)
{
    SmfFile song;
    TrackBuilder empty;
    empty.text(0, 3, "no notes");
    auto bytes = buildSmf(0, 480, {empty});
    ASSERT_TRUE(song.loadBytes(bytes.data(), bytes.size()));
    EXPECT_EQ(song.endMs(), 1000u);
    EXPECT_EQ(song.endTick(), 960u);

    TrackBuilder lastNote;
    lastNote.event(1920, {0x80, 60, 0});
    bytes = buildSmf(0, 480, {lastNote});
    ASSERT_TRUE(song.loadBytes(bytes.data(), bytes.size()));
    EXPECT_EQ(song.endMs(), 3000u);
    EXPECT_EQ(song.endTick(), 2880u);

    // endTick = 1920 * 3.5 = 6720: the last note at 6720 - 960.
    TrackBuilder threeAndAHalf;
    threeAndAHalf.event(6720 - 960, {0x90, 60, 0});
    bytes = buildSmf(0, 480, {threeAndAHalf});
    ASSERT_TRUE(song.loadBytes(bytes.data(), bytes.size()));
    EXPECT_EQ(song.endTick(), 6720u);
    EXPECT_EQ(song.measureCount(), 3u);

    TrackBuilder two;
    two.event(3840 - 960, {0x90, 60, 0});
    bytes = buildSmf(0, 480, {two});
    ASSERT_TRUE(song.loadBytes(bytes.data(), bytes.size()));
    EXPECT_EQ(song.endTick(), 3840u);
    EXPECT_EQ(song.measureCount(), 2u);

    // A tempo change before the last note: the tail is measured at the last tempo.
    TrackBuilder tempoChange;
    tempoChange.tempo(0, 250000).event(960, {0x90, 60, 1});
    bytes = buildSmf(0, 480, {tempoChange});
    ASSERT_TRUE(song.loadBytes(bytes.data(), bytes.size()));
    EXPECT_EQ(song.endMs(), 500u + 1000u);
    EXPECT_EQ(song.endTick(), 960u + 1920u);
}

TEST(SmfLoader, TempoAndMeterListsAndTexts)
{
    TrackBuilder conductor, part;
    conductor.text(0, 3, "Title").text(0, 1, "first text").tempo(0, 600000).timeSignature(0, 3, 2).tempo(960, 400000)
        .timeSignature(1440 * 2 + 100, 6, 3);
    part.text(0, 3, "dropped name").text(0, 2, "notice here").text(0, 5, "lyric").event(0, {0x90, 60, 1});
    SmfFile song;
    const auto bytes = buildSmf(1, 480, {conductor, part});
    ASSERT_TRUE(song.loadBytes(bytes.data(), bytes.size()));
    EXPECT_STREQ(song.title(), "Title");
    EXPECT_STREQ(song.notice(), "notice here");
    const TempoEvent* tempo = song.firstTempo();
    ASSERT_NE(tempo, nullptr);
    EXPECT_EQ(tempo->startMs, 0u);
    ASSERT_NE(tempo->next, nullptr);
    EXPECT_EQ(tempo->next->tempo, 400000u);
    EXPECT_EQ(tempo->next->startMs, 1200u);
    EXPECT_EQ(tempo->next->previous, tempo);
    const TimeSignatureEvent* meter = song.firstTimeSignature();
    ASSERT_NE(meter, nullptr);
    EXPECT_EQ(meter->measure, 0);
    ASSERT_NE(meter->next, nullptr);
    EXPECT_EQ(meter->next->measure, 3);  // 2980 ticks of 3/4 measures (1440) round up to 3
    EXPECT_EQ(song.lastTimeSignature(), meter->next);
}

TEST(SmfLoader, TheFirstTitleAndNoticeAreTheSongs)
{
    TrackBuilder track;
    track.text(0, 3, "first title").text(0, 2, "first notice").text(0, 3, "second title").text(0, 2, "second notice")
        .event(0, {0x90, 60, 1});
    SmfFile song;
    const auto bytes = buildSmf(0, 480, {track});
    ASSERT_TRUE(song.loadBytes(bytes.data(), bytes.size()));
    EXPECT_STREQ(song.title(), "first title");
    EXPECT_STREQ(song.notice(), "first notice");
}

TEST(SmfLoader, DegenerateMetersAndTemposNeitherDivideByZeroNorHang)
{
    for (const auto& [numerator, power] : std::vector<std::pair<uint8_t, uint8_t>>{{0, 2}, {4, 255}, {1, 40}, {255, 0}}) {
        TrackBuilder track;
        track.timeSignature(0, numerator, power).timeSignature(100, numerator, power).tempo(0, 0)
            .event(1000000, {0x90, 60, 1});
        SmfFile song;
        const auto bytes = buildSmf(0, 480, {track});
        ASSERT_TRUE(song.loadBytes(bytes.data(), bytes.size()));
        EXPECT_GT(song.endTick(), 0u);
        EXPECT_GE(song.firstTempo()->tempo, 1u);
    }
}

TEST(SmfLoader, QuotedPathAndFailedLoadClearsTheSong)
{
    testing::TempDir dir;
    TrackBuilder track;
    track.event(0, {0x90, 60, 100});
    const auto path = dir.write("my song.mid", buildSmf(0, 480, {track}));
    SmfFile song;
    ASSERT_TRUE(song.load("\"" + path.string() + "\""));
    EXPECT_TRUE(song.loaded());
    EXPECT_FALSE(song.load((dir / "missing.mid").string()));
    EXPECT_FALSE(song.loaded());
    EXPECT_TRUE(song.events().empty());
    EXPECT_FALSE(song.load(dir.path().string()));  // a directory is no song
}

TEST(SmfLoader, UnexpectedIsShownOncePerLoad)
{
    RecordingMessageBox messages;
    TrackBuilder track;
    for (int i = 0; i < 5000; ++i) {
        track.event(0, {0xF4});
    }
    track.event(0, {0x90, 60, 100});
    SmfFile song(&messages);
    const auto bytes = buildSmf(0, 480, {track});
    ASSERT_TRUE(song.loadBytes(bytes.data(), bytes.size()));
    EXPECT_EQ(messages.shown, (std::vector<std::string>{"unexpected"}));
    ASSERT_TRUE(song.loadBytes(bytes.data(), bytes.size()));
    EXPECT_EQ(messages.shown.size(), 2u);
}

TEST(SmfLoader, TruncatedAndCorruptFilesStayInsideTheBuffer)
{
    TrackBuilder track;
    track.tempo(0, 500000).timeSignature(0, 3, 2).text(0, 3, "name").sysex(0, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7})
        .event(10, {0x90, 60, 100}).event(10, {0xC0, 5}).event(10, {0x80, 60, 0}).endOfTrack();
    const auto good = buildSmf(0, 480, {track});
    // Every truncation, a track length pointing far past the end, and random corruption.
    for (size_t size = 14; size <= good.size(); ++size) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<long>(size));
        SmfFile song;
        EXPECT_TRUE(song.loadBytes(cut.data(), cut.size()));
    }
    auto longTrack = good;
    longTrack[18] = 0x7F;
    SmfFile song;
    EXPECT_TRUE(song.loadBytes(longTrack.data(), longTrack.size()));
    // A sysex whose length runs past the track.
    TrackBuilder badSysex;
    badSysex.raw(0, {0xF0, 0x8F, 0xFF, 0xFF, 0x7F, 0x01});
    auto bytes = buildSmf(0, 480, {badSysex});
    EXPECT_TRUE(song.loadBytes(bytes.data(), bytes.size()));
    EXPECT_TRUE(song.events().empty());
    std::mt19937 random(1);
    for (int round = 0; round < 2000; ++round) {
        auto corrupt = good;
        for (int i = 0; i < 4; ++i) {
            corrupt[14 + random() % (corrupt.size() - 14)] = static_cast<uint8_t>(random());
        }
        SmfFile fuzzed;
        fuzzed.loadBytes(corrupt.data(), corrupt.size());
    }
}

}  // namespace
}  // namespace quorva
