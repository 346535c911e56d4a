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
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

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

}  // namespace
}  // namespace quorva
