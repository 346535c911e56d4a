// quorva-render.exe under Wine against the native quorva-render of the same sources: the song's
// events, and the FM synthesizer's WAV, are the same bytes on both (apart from the line ends).
#include "windows/wine_session.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace quorva::testing {
namespace {

std::string withoutCarriageReturns(std::string text)
{
    std::erase(text, '\r');
    return text;
}

std::string fileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

TEST(WindowsRenderProgram, EventsAndFmAudioEqualTheNativeProgram)
{
    QUORVA_WINE_SESSION_OR_SKIP(session);
    const std::filesystem::path native = std::filesystem::path(std::getenv("QUORVA_BIN_DIR")) / "quorva-render";
    const std::filesystem::path app = session.installCopy({"quorva-render.exe", "fmstone.dat", "demo.mid"});
    const std::filesystem::path song = app / "demo.mid";

    const WineResult windowsEvents = session.run({(app / "quorva-render.exe").string(), "--events", WineSession::windowsPath(song)});
    const WineResult nativeEvents = session.runNative({native.string(), "--events", song.string()});
    ASSERT_EQ(windowsEvents.exitCode, 0) << windowsEvents.errors;
    ASSERT_EQ(nativeEvents.exitCode, 0) << nativeEvents.errors;
    EXPECT_GT(nativeEvents.output.size(), 1000u);
    EXPECT_EQ(withoutCarriageReturns(windowsEvents.output), nativeEvents.output);

    const WineResult windowsWav = session.run({(app / "quorva-render.exe").string(), WineSession::windowsPath(song), "--wav",
                                               WineSession::windowsPath(session.scratch() / "windows.wav")});
    const WineResult nativeWav = session.runNative({native.string(), song.string(), "--wav", (session.scratch() / "native.wav").string(),
                                                    "--tones", (app / "fmstone.dat").string()});
    ASSERT_EQ(windowsWav.exitCode, 0) << windowsWav.errors;
    ASSERT_EQ(nativeWav.exitCode, 0) << nativeWav.errors;
    const std::string windowsBytes = fileBytes(session.scratch() / "windows.wav");
    EXPECT_GT(windowsBytes.size(), 100000u);
    EXPECT_TRUE(windowsBytes == fileBytes(session.scratch() / "native.wav")) << "the FM synthesizer's samples differ";
}

}  // namespace
}  // namespace quorva::testing
