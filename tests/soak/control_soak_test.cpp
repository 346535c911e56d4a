// Soak: a running player under a virtual X server takes 1000 playfile requests over songs of
// every size, with stops, second copies handing songs over, files dropped on the window and
// clients that drop their connection half-way, mixed in. It must keep answering and its memory must not grow.
// Run it with: ctest --test-dir build -L soak --output-on-failure
#include "platform/posix_control_socket.h"
#include "platform/running_program.h"
#include "app/control_protocol.h"
#include "support/smf_builder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/socket.h>
#include <sys/un.h>

namespace quorva::testing {
namespace {

using namespace std::chrono_literals;

// A song of `notes` notes spread over up to 16 tracks, with tempo changes and texts.
std::vector<uint8_t> generatedSong(uint32_t notes, uint32_t seed)
{
    const uint32_t trackCount = std::min<uint32_t>(16, 1 + notes / 64);
    std::vector<TrackBuilder> tracks(trackCount + 1);
    tracks[0].text(0, 3, "soak " + std::to_string(notes)).tempo(0, 400000 + seed * 1000).timeSignature(0, 3, 2);
    tracks[0].tempo(960, 600000).endOfTrack();
    uint32_t state = seed * 2654435761u + 1;
    for (uint32_t t = 1; t <= trackCount; ++t) {
        const uint8_t channel = static_cast<uint8_t>((t - 1) % 16);
        TrackBuilder& track = tracks[t];
        track.event(0, {static_cast<uint8_t>(0xC0 | channel), static_cast<uint8_t>(t * 7 % 128)});
        const uint32_t count = notes / trackCount + (t <= notes % trackCount ? 1 : 0);
        for (uint32_t n = 0; n < count; ++n) {
            state = state * 1103515245u + 12345u;
            const auto key = static_cast<uint8_t>(36 + (state >> 16) % 48);
            track.event(n == 0 ? 0 : 10 + (state >> 8) % 50, {static_cast<uint8_t>(0x90 | channel), key, 100});
            track.event(20 + (state >> 4) % 200, {static_cast<uint8_t>(0x80 | channel), key, 0});
        }
        track.endOfTrack();
    }
    return buildSmf(1, 480, tracks);
}

long residentKiB(pid_t pid)
{
    const std::string status = readText("/proc/" + std::to_string(pid) + "/status");
    const size_t at = status.find("VmRSS:");
    return at == std::string::npos ? -1 : std::stol(status.substr(at + 6));
}

TEST(ControlSoak, ThousandSongsThroughTheSocketKeepThePlayerAnsweringAndItsMemoryFlat)
{
    ProgramCopy program({"bmp.dat", "fnm.dat", "fsm.dat", "inst.dat", "quorva-ctl"});
    program.dir().write("setting.dat", nullPortSettings());
    // Sizes from one note to 65536 notes, the largest first so that the tenth song comes after
    // every size has been held once; and one file that is not a song.
    std::vector<std::string> songs;
    for (int power = 16; power >= 0; --power) {
        const uint32_t notes = 1u << power;
        songs.push_back(program.dir().write("song" + std::to_string(notes) + ".mid", generatedSong(notes, power)).string());
    }
    songs.push_back(program.dir().write("broken.mid", std::string("MThd this is not a song")).string());
    ASSERT_EQ(songs.size(), 18u);  // the 10th and the 1000th request then play the same song

    const VirtualDisplay screen(program);
    ASSERT_NE(screen.display, ":");
    const Environment environment =
        programEnvironment(program, {{"DISPLAY", screen.display}, {"SDL_VIDEODRIVER", "x11"}});
    RunningProgram player(program, {}, environment);
    ASSERT_TRUE(player.waitUntilServing());

    ControlSocketClient client(program.dir() / "run" / "quorva");
    const std::string acknowledged = control::encodeReply(control::acknowledged);
    const std::string socketPath = (program.dir() / "run" / "quorva" / "TMIDI").string();
    long tenth = 0;
    long last = 0;
    int stops = 0, handOffs = 0, drops = 0, droppedFiles = 0;
    const auto started = std::chrono::steady_clock::now();
    for (int request = 0; request < 1000; ++request) {
        const std::string& song = songs[request % songs.size()];
        const ControlCall play = client.call(control::encodeRequest(control::Verb::Execute, "playfile " + song));
        ASSERT_EQ(play.reply, acknowledged) << "request " << request;
        if (request % 7 == 3) {
            ASSERT_EQ(client.call(control::encodeRequest(control::Verb::Execute, "stop")).reply, acknowledged);
            ++stops;
        }
        if (request % 11 == 5) {
            // A client that sends half a request and goes away, and one that only connects.
            for (size_t part : {size_t{9}, size_t{0}}) {
                const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
                sockaddr_un address{};
                address.sun_family = AF_UNIX;
                std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
                ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
                const std::string half = control::encodeRequest(control::Verb::Execute, "stop").substr(0, part);
                send(fd, half.data(), half.size(), MSG_NOSIGNAL);
                close(fd);
                ++drops;
            }
        }
        if (request % 13 == 6) {
            // Files dropped on the window: the first of them plays on the next frame.
            ASSERT_TRUE(dropFiles(program, environment, {songs[(request + 2) % songs.size()], song}));
            ++droppedFiles;
        }
        if (request % 50 == 25) {
            const CommandResult second =
                runCommand(program, {(program.dir() / "quorva").string(), songs[(request + 1) % songs.size()]}, environment);
            ASSERT_EQ(second.exitCode, 0);
            ++handOffs;
        }
        if (request == 9 || request == 999) {
            // The song settles: the hand-offs and stops of this round are done.
            ASSERT_EQ(client.call(control::encodeRequest(control::Verb::Status, "")).reach, ControlReach::Answered);
            (request == 9 ? tenth : last) = residentKiB(player.pid());
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_TRUE(player.alive());
    EXPECT_EQ(player.status("path"), songs[999 % songs.size()]);
    std::printf("soak: 1000 playfile, %d stop, %d hand-offs, %d file drops, %d dropped connections in %.1f s; "
                "RSS after the 10th song %ld KiB, after the last %ld KiB, growth %ld KiB\n",
                stops, handOffs, droppedFiles, drops, seconds, tenth, last, last - tenth);
    RecordProperty("rss_tenth_kib", std::to_string(tenth));
    RecordProperty("rss_last_kib", std::to_string(last));
    EXPECT_GT(tenth, 0);
    EXPECT_LE(last - tenth, 5 * 1024);
    EXPECT_EQ(player.stop(), 0);
    // The one file that is not a song is reported each time it arrives, and nothing else is.
    const std::string broken = "quorva: cannot play \"" + songs.back() + "\": unsupported header length\n";
    std::string errors = player.errors();
    EXPECT_NE(errors.find(broken), std::string::npos);
    for (size_t at = errors.find(broken); at != std::string::npos; at = errors.find(broken)) {
        errors.erase(at, broken.size());
    }
    EXPECT_EQ(errors, "");
}

}  // namespace
}  // namespace quorva::testing
