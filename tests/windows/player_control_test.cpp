// quorva.exe driven from outside under Wine: its DDE server "TMIDI" through quorva-ctl.exe and
// through a raw DDE client, and a second copy handing its song over by WM_COPYDATA.
#include "support/smf_builder.h"
#include "windows/player_control.h"
#include "windows/player_pictures.h"
#include "windows/wine_session.h"

#include <gtest/gtest.h>

namespace quorva::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// One note of eight seconds, long enough to be asked about while it plays.
std::vector<uint8_t> longSong(const std::string& title)
{
    TrackBuilder track;
    track.text(0, 0x03, title).event(0, {0x90, 60, 100}).event(96 * 16, {0x80, 60, 0}).endOfTrack();
    return buildSmf(0, 96, {track});
}

fs::path playerWithSongs(WineSession& session)
{
    std::vector<std::string> files = playerFiles();
    files.insert(files.end(), {"quorva-ctl.exe", "io-probe.exe"});
    const fs::path app = session.installCopy(files);
    writeBytes(app / "setting.dat", nullPortSettings());
    writeBytes(app / "first.mid", longSong("FIRST"));
    writeBytes(app / "second.mid", longSong("SECOND"));
    return app;
}

bool holds(const std::string& status, const std::string& line)
{
    return ("\n" + status).find("\n" + line + "\n") != std::string::npos;
}

// What a raw DDE execute came to: "done", "refused" or "no server".
std::string ddeExecute(WineSession& session, const fs::path& app, const std::string& service, const std::string& topic,
                       const std::string& command)
{
    return session.run({(app / "io-probe.exe").string(), "dde", service, topic, command}).output;
}

// "playfile PATH" plays the song at once and "stop" stops it, both acknowledged (DDE_FACK:
// quorva-ctl ends with 0); a verb written otherwise is refused, and a conversation on another
// topic or service at its connection. DDE's names are atoms, which ignore case: "tmidi" is
// the same name as "TMIDI" to the server.
TEST(WindowsPlayer, DdeServerTakesPlayfileAndStopAndRefusesTheRest)
{
    QUORVA_WINE_SESSION_OR_SKIP(session);
    const fs::path app = playerWithSongs(session);
    const WineResult before = control(session, app, {"stop"});
    EXPECT_EQ(before.exitCode, 2);
    EXPECT_EQ(before.errors, "quorva-ctl: no player is running\n");

    auto player = session.start({(app / "quorva.exe").string()}, "player");
    ASSERT_TRUE(session.findWindow(kWindowClass, kWindowTitle)) << player->errors();
    EXPECT_TRUE(holds(waitForStatus(session, app, "state: idle"), "state: idle"));

    const WineResult play = control(session, app, {"playfile", WineSession::windowsPath(app / "first.mid")});
    EXPECT_EQ(play.exitCode, 0) << play.errors;
    const std::string playing = control(session, app, {"status"}).output;
    EXPECT_TRUE(holds(playing, "state: playing")) << playing;
    EXPECT_TRUE(holds(playing, "title: FIRST")) << playing;

    for (const std::string command : {"Stop", "stop ", "STOP", "playfile", "pause"}) {
        EXPECT_EQ(ddeExecute(session, app, "TMIDI", "TMIDI", command), "refused\n") << command;
    }
    EXPECT_EQ(ddeExecute(session, app, "TMIDI", "SYSTEM", "stop"), "no server\n");
    EXPECT_EQ(ddeExecute(session, app, "OTHER", "TMIDI", "stop"), "no server\n");
    EXPECT_TRUE(holds(control(session, app, {"status"}).output, "state: playing"));

    EXPECT_EQ(ddeExecute(session, app, "tmidi", "tmidi", "stop"), "done\n");
    EXPECT_TRUE(holds(control(session, app, {"status"}).output, "state: stopped"));
    const WineResult stop = control(session, app, {"stop"});
    EXPECT_EQ(stop.exitCode, 0) << stop.errors;
    // A song that cannot be loaded is acknowledged all the same.
    EXPECT_EQ(control(session, app, {"playfile", WineSession::windowsPath(app / "missing.mid")}).exitCode, 0);
    // A command the player refuses: quorva-ctl ends with 1.
    const WineResult refused = control(session, app, {"seek", "soon"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.errors, "quorva-ctl: the player refused the request\n");

    ASSERT_TRUE(session.postClose(kWindowClass, kWindowTitle));
    EXPECT_EQ(player->wait(10s), 0);
    EXPECT_EQ(control(session, app, {"status"}).exitCode, 2);
}

// A second copy started with a song finds the first by its window, hands it the song and
// ends with 0 without a window of its own; the first plays that song. A second copy without
// a song just ends.
TEST(WindowsPlayer, SecondCopyHandsItsSongToTheFirstAndEnds)
{
    QUORVA_WINE_SESSION_OR_SKIP(session);
    const fs::path app = playerWithSongs(session);
    auto first = session.start({(app / "quorva.exe").string(), WineSession::windowsPath(app / "first.mid")}, "first");
    ASSERT_TRUE(session.findWindow(kWindowClass, kWindowTitle)) << first->errors();
    EXPECT_TRUE(holds(waitForStatus(session, app, "title: FIRST"), "state: playing"));

    const WineResult second = session.run({(app / "quorva.exe").string(), WineSession::windowsPath(app / "second.mid")}, 20s);
    EXPECT_EQ(second.exitCode, 0) << second.errors;
    const std::string status = waitForStatus(session, app, "title: SECOND", 10s);
    EXPECT_TRUE(holds(status, "title: SECOND")) << status;
    EXPECT_TRUE(holds(status, "state: playing")) << status;

    const WineResult empty = session.run({(app / "quorva.exe").string()}, 20s);
    EXPECT_EQ(empty.exitCode, 0) << empty.errors;
    EXPECT_TRUE(holds(control(session, app, {"status"}).output, "title: SECOND"));
    EXPECT_TRUE(first->running());

    ASSERT_TRUE(session.postClose(kWindowClass, kWindowTitle));
    EXPECT_EQ(first->wait(10s), 0);
}

}  // namespace
}  // namespace quorva::testing
