// The song's storage against what loading made before it was packed: every event with all
// its fields, the tempo and meter lists, texts, words and measure counts, on the shipped song,
// the fuzz seeds and generated songs with every kind of event.
#include "bench/many_notes_song.h"
#include "platform/fake/recording_message_box.h"
#include "support/smf_builder.h"
#include "support/song_dump.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <thread>

namespace quorva {
namespace {

using testing::buildSmf;
using testing::TrackBuilder;

std::vector<uint8_t> readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every kind of event the loader meets, over tracks that depend on each other: running
// status carried into the next track, karaoke words kept from the track after the first tag
// on, tempo and meter changes in several tracks, short metas, a stray status byte, ticks that
// wrap 32 bits, and a last track cut short by the file's end.
std::vector<uint8_t> everyKindSong()
{
    std::vector<TrackBuilder> tracks(6);
    tracks[0].text(0, 0x03, "Every kind").text(0, 0x02, "(c) nobody").text(0, 0x01, "first text");
    tracks[0].tempo(0, 600000).timeSignature(0, 3, 2).tempo(480, 400000).timeSignature(700, 6, 3);
    tracks[0].text(10, 0x05, "la").text(5, 0x7F, "vendor").tempo(2000, 250000).timeSignature(1, 5, 4).endOfTrack();
    tracks[1].sysex(0, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}).sysex(0, {0xF7, 0x01, 0x02});
    tracks[1].sysex(0, {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x10, 0x15, 0x02, 0x19, 0xF7});
    tracks[1].event(0, {0xC0, 5}).event(0, {6}).event(10, {0x90, 60, 100}).event(0, {62, 90}).event(0, {64, 0});
    tracks[1].event(30, {0x80, 60, 64}).event(0, {0xE0, 0, 64}).event(0, {0xB0, 7, 0x90}).event(0, {10, 30});
    tracks[1].text(0, 0x01, "dropped: not track 0").text(0, 0x03, "dropped name").text(0, 0x02, "second notice");
    tracks[1].event(5, {0xB0, 64, 127});
    tracks[2].event(0, {11, 100}).event(0, {0xF4}).event(3, {0x91, 70, 80});
    tracks[2].text(0, 0x01, "before the tag").text(0, 0x01, "@KMIDI KARAOKE FILE").text(0, 0x01, "@TSong title");
    tracks[2].text(0, 0x01, "@IInformation").text(100, 0x01, "\\Hel").text(50, 0x01, "lo ").text(50, 0x01, "/world");
    tracks[2].tempo(1000, 500000).meta(0, 0x51, {0x01}).meta(0, 0x58, {0x02}).endOfTrack();
    tracks[3].text(0, 0x01, "a comment").text(20, 0x05, "lyric beside karaoke").event(0, {0xD3, 40});
    tracks[3].event(0, {0xA3, 60, 10}).endOfTrack();
    tracks[4].event(0xFFFFFFF0u, {0x94, 50, 1}).event(0x20, {0x84, 50, 0}).event(0xFFFFFFFFu, {0x94, 51, 1});
    tracks[4].event(2, {0x84, 51, 0}).endOfTrack();
    tracks[5].event(0, {0x95, 40, 50}).event(96, {0x85, 40, 0}).event(0, {0x95, 41});
    std::vector<uint8_t> bytes = buildSmf(1, 96, tracks);
    bytes.resize(bytes.size() - 1);  // the last event loses its last byte
    return bytes;
}

// 300 tracks: the track number is 8 bits, so track 256 counts as track 0 again.
std::vector<uint8_t> manyTracksSong()
{
    std::vector<TrackBuilder> tracks(300);
    for (size_t t = 0; t < tracks.size(); ++t) {
        const std::string name = "track " + std::to_string(t);
        tracks[t].text(static_cast<uint32_t>(t), 0x03, name).text(0, 0x01, name);
        tracks[t].event(0, {static_cast<uint8_t>(0x90 | t % 16), static_cast<uint8_t>(t % 128), 64});
        tracks[t].event(static_cast<uint32_t>(300 - t), {static_cast<uint8_t>(t % 128), 0}).endOfTrack();
    }
    return buildSmf(1, 480, tracks);
}

struct Song {
    std::string name;
    std::vector<uint8_t> bytes;
};

std::vector<Song> songsToCompare(const testing::TempDir& dir)
{
    std::vector<Song> songs;
    songs.push_back({"demo", readFile(std::filesystem::path(QUORVA_TEST_SOURCE_DIR) / "data" / "demo.mid")});
    // The fuzz seeds, in name order, without the two bytes that choose the key shift and speed.
    const auto seeds = dir / "seeds";
    const std::string command = "python3 " + std::string(QUORVA_TEST_SOURCE_DIR) + "/tools/scripts/fuzz_seeds.py " +
                                seeds.string() + " > /dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0);
    std::vector<std::filesystem::path> seedFiles;
    for (const auto& entry : std::filesystem::directory_iterator(seeds / "smf_playback_fuzzer")) {
        seedFiles.push_back(entry.path());
    }
    std::sort(seedFiles.begin(), seedFiles.end());
    for (const auto& path : seedFiles) {
        auto bytes = readFile(path);
        bytes.erase(bytes.begin(), bytes.begin() + std::min<size_t>(2, bytes.size()));
        songs.push_back({path.filename().string(), std::move(bytes)});
    }
    songs.push_back({"every kind", everyKindSong()});
    songs.push_back({"300 tracks", manyTracksSong()});
    for (const uint32_t tracks : {1u, 7u, 64u}) {
        const auto path = (dir / ("dense" + std::to_string(tracks) + ".mid")).string();
        std::string error;
        EXPECT_TRUE(writeManyNotesSong(path, {30000, tracks, 20000}, error)) << error;
        songs.push_back({"dense " + std::to_string(tracks), readFile(path)});
    }
    return songs;
}

// What each song's dump hashed to when every event was an object of its own.
const std::map<std::string, uint64_t> dumpsBefore = {
    {"demo", 0x7e4a42147081e8fcull},
    {"channel-kinds-3b268650", 0x7e9795ffb51be7b5ull},
    {"demo-4d8a9c6e", 0x7e4a42147081e8fcull},
    {"division-0-15d43fc1", 0x5930639075aaa2e5ull},
    {"extreme-tempo-10b6ef3d", 0xeb8107676a816a01ull},
    {"format-2-8313b1ca", 0x5930639075aaa2e5ull},
    {"gm-on-1afe8958", 0x458d06f4255067e6ull},
    {"header-length-8-a172cf81", 0x5930639075aaa2e5ull},
    {"header-only-1c42b762", 0xef04ba6cba67a58bull},
    {"long-sysex-bbb98d93", 0x9c60c7616c8aa6c0ull},
    {"many-notes-199f0b97", 0x3d136912a3e2c88dull},
    {"multi-track-9dff2adb", 0x8f91a8a3f7d438efull},
    {"no-running-status-f640783d", 0xc14fde12c4b0b915ull},
    {"odd-meters-ec3bcad9", 0x1a718ce61f708541ull},
    {"short-metas-e3ebf968", 0xdd4de4e3e699950cull},
    {"smpte-e3fb0084", 0x5930639075aaa2e5ull},
    {"track-past-end-1bd0dfd9", 0x2686ae403930ba32ull},
    {"unexpected-status-6235bd5d", 0x0bd93f3b2e2be295ull},
    {"vendor-chunk-df8fe0c5", 0xbea0dc7163467b8cull},
    {"every kind", 0x7f1c55327761ffcdull},
    {"300 tracks", 0x0917476944791372ull},
    {"dense 1", 0xc0a89c06dad652d6ull},
    {"dense 7", 0xbecf714ebf0b677full},
    {"dense 64", 0x1e078facaea7485eull},
};

TEST(SongStorage, LoadsMakeTheSongsTheyMadeBefore)
{
    testing::TempDir dir;
    RecordingMessageBox messages;
    // One song object for all, in one order: the running status carries from load to load.
    SmfFile song(&messages);
    size_t compared = 0;
    for (const Song& each : songsToCompare(dir)) {
        const bool loaded = song.loadBytes(each.bytes.data(), each.bytes.size());
        const std::string dump = testing::songDump(song) + std::to_string(loaded) + " " +
                                 std::to_string(messages.shown.size()) + "\n";
        // A seed that was changed since has a new name and is not compared.
        const auto before = dumpsBefore.find(each.name);
        if (before != dumpsBefore.end()) {
            EXPECT_EQ(testing::dumpHash(dump), before->second) << each.name << "\n" << dump;
            ++compared;
        }
    }
    EXPECT_GE(compared, 20u);
}

// An event as the dense-song test compares it: tick, and the message, the system-exclusive
// bytes, the text or the tempo (not the track number or start time, which a track loaded
// alone has other values for).
std::string describe(const SmfFile& song, size_t index)
{
    const SongEvent event = song.events()[index];
    const EventView view = song.eventAt(index);
    std::string text = std::to_string(event.tick) + " ";
    if (event.isChannel()) {
        return text + std::to_string(event.message());
    }
    if (const auto* sysex = dynamic_cast<const SysexEvent*>(&*view)) {
        return text + "sysex " + std::string(reinterpret_cast<const char*>(sysex->data), sysex->length);
    }
    if (const auto* words = dynamic_cast<const TextEvent*>(&*view)) {
        return text + "text " + words->text;
    }
    if (const auto* tempo = dynamic_cast<const TempoEvent*>(&*view)) {
        return text + "tempo " + std::to_string(tempo->tempo);
    }
    return text + "other";
}

// A dense song of many tracks: notes under running status at random small steps (often the
// same tick in several tracks), with system-exclusive messages, lyrics and tempo changes
// among them.
std::vector<TrackBuilder> denseTracks(size_t trackCount, size_t eventsPerTrack)
{
    std::vector<TrackBuilder> tracks(trackCount);
    uint32_t seed = 7;
    const auto random = [&seed](uint32_t below) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % below;
    };
    for (size_t t = 0; t < trackCount; ++t) {
        TrackBuilder& track = tracks[t];
        const auto channel = static_cast<uint8_t>(t % 16);
        track.event(0, {static_cast<uint8_t>(0x90 | channel), 60, 1});
        for (size_t i = 1; i < eventsPerTrack; ++i) {
            const uint32_t delta = random(4);
            if (i % 997 == 0) {
                track.sysex(delta, {0xF0, 0x43, static_cast<uint8_t>(t), static_cast<uint8_t>(i & 0x7F), 0xF7});
            } else if (i % 1009 == 0) {
                track.text(delta, 0x05, "la " + std::to_string(t) + "." + std::to_string(i));
            } else if (i % 4999 == 0) {
                track.tempo(delta, 400000 + static_cast<uint32_t>(t * 100 + i));
            } else {
                // After a sysex or meta event the running status goes on: the channel's note on.
                track.event(delta, {static_cast<uint8_t>(random(128)), static_cast<uint8_t>(random(128))});
            }
        }
        track.endOfTrack();
    }
    return tracks;
}

TEST(SongStorage, ADenseSongMergesAsItsTracksLoadedAloneWouldBe)
{
    // 24 tracks of 20,000 events: decoded on every core and merged in several parts.
    const auto tracks = denseTracks(24, 20000);
    std::vector<std::pair<uint32_t, std::string>> expected;
    for (const TrackBuilder& track : tracks) {
        SmfFile alone;
        const auto bytes = buildSmf(0, 480, {track});
        ASSERT_TRUE(alone.loadBytes(bytes.data(), bytes.size()));
        for (size_t i = 0; i < alone.events().size(); ++i) {
            expected.emplace_back(alone.events()[i].tick, describe(alone, i));
        }
    }
    std::stable_sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

    SmfFile song;
    const auto bytes = buildSmf(1, 480, tracks);
    ASSERT_TRUE(song.loadBytes(bytes.data(), bytes.size()));
    ASSERT_EQ(song.events().size(), expected.size());
    size_t differences = 0;
    for (size_t i = 0; i < expected.size() && differences < 10; ++i) {
        const std::string actual = describe(song, i);
        if (actual != expected[i].second) {
            ADD_FAILURE() << "event " << i << ": " << actual << " instead of " << expected[i].second;
            ++differences;
        }
    }
    // The tempo list runs through every tempo change in stream order.
    size_t tempos = 0;
    uint32_t lastTick = 0;
    for (const TempoEvent* tempo = song.firstTempo(); tempo; tempo = tempo->next) {
        EXPECT_GE(tempo->tick, lastTick);
        lastTick = tempo->tick;
        ++tempos;
    }
    EXPECT_EQ(tempos, 24u * 4);
    // Eight bytes an event, and the few stored events' objects and blocks beside.
    EXPECT_LE(song.memoryBytes(), 16 * song.events().size());
}

TEST(SongStorage, LoadProgressRisesToAThousandAsTheSongLoads)
{
    testing::TempDir dir;
    const auto bytes = buildSmf(1, 480, denseTracks(8, 20000));
    const auto path = dir.write("dense.mid", bytes).string();
    std::atomic<uint32_t> permille{1000};
    SmfFile song;
    song.setLoadProgress(&permille);
    for (int load = 0; load < 3; ++load) {
        // A display on another thread sees it start again from 0 and never go back.
        permille = 1000;
        std::atomic<bool> loading{true};
        std::vector<uint32_t> seen;
        std::thread display([&] {
            while (loading.load()) {
                const uint32_t now = permille.load(std::memory_order_relaxed);
                if (seen.empty() || now != seen.back()) {
                    seen.push_back(now);
                }
            }
        });
        const bool loaded = song.load(path);
        loading = false;
        display.join();
        ASSERT_TRUE(loaded);
        EXPECT_EQ(permille.load(), 1000u);
        for (size_t i = 1; i < seen.size(); ++i) {
            EXPECT_TRUE(seen[i] >= seen[i - 1] || seen[i - 1] == 1000) << seen[i - 1] << " then " << seen[i];
        }
    }
    // Loads that fail end at 1000 too, so that a display knows they are over.
    permille = 7;
    EXPECT_FALSE(song.load((dir / "missing.mid").string()));
    EXPECT_EQ(permille.load(), 1000u);
    permille = 7;
    const uint8_t notASong[] = {'R', 'I', 'F', 'F'};
    EXPECT_FALSE(song.loadBytes(notASong, sizeof notASong));
    EXPECT_EQ(permille.load(), 1000u);
}

}  // namespace
}  // namespace quorva
