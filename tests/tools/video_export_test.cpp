// quorva-render --video: the file as FFmpeg's own tools read it, each frame against the
// picture of --screen, and the options and files it refuses.
#include "support/smf_builder.h"
#include "video_file.h"

#include <gtest/gtest.h>

namespace quorva::testing::video {
namespace {

// Notes of channel 1 (middle C, lit at 422..427, 64..83 on KB.FULL) and channel 2.
std::vector<uint8_t> shortSong()
{
    TrackBuilder track;
    track.text(0, 3, "Video test").event(0, {0xC0, 0}).event(0, {0xC1, 40});
    for (uint32_t i = 0; i < 6; ++i) {
        track.event(i == 0 ? 24 : 72, {0x90, 60, 100}).event(0, {0x91, static_cast<uint8_t>(64 + i), 90});
        track.event(24, {0x80, 60, 0}).event(0, {0x81, static_cast<uint8_t>(64 + i), 0});
    }
    return buildSmf(0, 96, {track.endOfTrack()});
}

TEST(VideoExport, FileHoldsTheScreenAndTheSoundInStreamsEveryPlayerOpens)
{
    TempDir dir;
    const auto song = dir.write("song.mid", shortSong());
    const auto mp4 = dir / "song.mp4";
    const Result result = run(quoted(song) + " --video " + quoted(mp4));
    ASSERT_EQ(result.status, 0) << result.out;
    EXPECT_EQ(result.out.find("quorva-render: " + mp4.string() + ": "), 0u) << result.out;
    EXPECT_EQ(result.out.find('\n'), result.out.size() - 1) << result.out;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);  // nothing else left

    auto video = probe(mp4, "v:0");
    EXPECT_EQ(video["codec_name"], "h264");
    EXPECT_EQ(video["pix_fmt"], "yuv420p");
    EXPECT_EQ(video["width"], "1280");
    EXPECT_EQ(video["height"], "960");
    EXPECT_EQ(video["r_frame_rate"], "60/1");
    EXPECT_EQ(video["color_space"], "bt709");
    EXPECT_EQ(video["color_range"], "tv");
    auto sound = probe(mp4, "a:0");
    EXPECT_EQ(sound["codec_name"], "aac");
    EXPECT_EQ(sound["sample_rate"], "44100");
    EXPECT_EQ(sound["channels"], "2");
    // The song ends at 2.5 s; the video lasts as long as its sound, the notes' release included.
    const double seconds = std::stod(video["duration"]);
    EXPECT_GT(seconds, 2.5);
    EXPECT_LT(seconds, 4.0);
    EXPECT_NEAR(std::stod(sound["duration"]), seconds, 0.03);
    EXPECT_EQ(std::stoi(video["nb_frames"]), std::lround(seconds * 60));

    // A decoded frame holds the screen of its time, scaled, to within the lossy encoding.
    const std::vector<Rgb> frames = decodePictures(mp4, 1280, 960, 121);
    ASSERT_EQ(frames.size(), 121u);
    for (uint32_t k : {30u, 61u, 120u}) {
        const Rgb picture = scaled(screenAt(dir, song, k * 1000 / 60), 2);
        EXPECT_GT(psnr(frames[k], picture), 40.0) << "frame " << k;
        for (double error : colourError(frames[k], picture)) {
            EXPECT_LT(error, 4.0) << "frame " << k;
        }
    }

    // The other files: Matroska at 30 frames per second, scale 1; WebM; the General MIDI
    // synthesizer's sound at its own rate.
    const auto mkv = dir / "song.mkv";
    ASSERT_EQ(run(quoted(song) + " --video " + quoted(mkv) + " --fps 30 --scale 1 --to 1000").status, 0);
    video = probe(mkv, "v:0");
    EXPECT_EQ(video["codec_name"] + video["width"] + "x" + video["height"] + " " + video["r_frame_rate"],
              "h264640x480 30/1");
    EXPECT_EQ(probe(mkv, "a:0")["codec_name"], "aac");
    EXPECT_EQ(decodePictures(mkv, 640, 480).size(), 30u);
    const auto webm = dir / "song.webm";
    ASSERT_EQ(run(quoted(song) + " --video " + quoted(webm) + " --scale 1 --to 500").status, 0);
    EXPECT_TRUE(probe(webm, "v:0")["codec_name"] == "vp9" || probe(webm, "v:0")["codec_name"] == "vp8");
    EXPECT_EQ(probe(webm, "a:0")["codec_name"], "vorbis");
    EXPECT_NEAR(std::stod(probe(webm, "")["duration"]), 0.5, 0.02);
    if (std::filesystem::exists("/usr/share/sounds/sf2/default-GM.sf2")) {
        const auto general = dir / "general.mp4";
        ASSERT_EQ(run(quoted(song) + " --video " + quoted(general) + " --output ms-ss --scale 1 --fps 30").status, 0);
        sound = probe(general, "a:0");
        EXPECT_EQ(sound["codec_name"] + " " + sound["sample_rate"], "aac 22050");
    }
}

TEST(VideoExport, EachFrameIsTheScreenOfItsTimeWithTheScriptApplied)
{
    TempDir dir;
    const LosslessPictures lossless;
    const auto song = dir.write("song.mid", shortSong());
    // KB.FLOW7's tab at 600 ms, channel 1's button (a mute) at 1200 ms.
    const auto script =
        dir.write("script.txt", std::string("600 move 150 8\n600 press left\n616 release left\n"
                                            "1200 move 5 70\n1200 press left\n1216 release left\n1300 move 700 500\n"));
    const std::string input = "--input " + quoted(script);
    const auto mp4 = dir / "part.mp4";
    const std::string options = " --fps 30 --scale 1 --from 398 --to 2398 ";
    ASSERT_EQ(run(quoted(song) + " --video " + quoted(mp4) + options + input).status, 0);
    EXPECT_EQ(probe(mp4, "v:0")["nb_frames"], "60");
    EXPECT_NEAR(std::stod(probe(mp4, "a:0")["duration"]), 2.0, 0.03);
    const std::vector<Rgb> frames = decodePictures(mp4, 640, 480);
    ASSERT_EQ(frames.size(), 60u);
    // Frame 1 at 431.3 ms shows the 16 ms frame of 416, not that of 432; frames 5 to 7 (564,
    // 598, 631 ms) are around the page's change; then the mute and the song's end.
    for (uint32_t k : {0u, 1u, 5u, 6u, 7u, 23u, 24u, 41u, 59u}) {
        EXPECT_EQ(frames[k], screenAt(dir, song, 398 + k * 1000 / 30, input)) << "frame " << k;
    }
    EXPECT_NE(frames[5], frames[7]);

    // Scale 3 at 60 frames per second: 333 ms is frame 20.
    const auto big = dir / "big.mkv";
    ASSERT_EQ(run(quoted(song) + " --video " + quoted(big) + " --scale 3 --from 300 --to 400").status, 0);
    const std::vector<Rgb> bigFrames = decodePictures(big, 1920, 1440);
    ASSERT_EQ(bigFrames.size(), 6u);
    EXPECT_EQ(bigFrames[2], scaled(screenAt(dir, song, 333), 3));
}

TEST(VideoExport, BadOptionsAndFilesFailWithOneLineAndNoFile)
{
    TempDir dir;
    const std::string song = quoted(dir.write("song.mid", shortSong()));
    const auto notSong = dir.write("text.mid", std::string("not a song"));
    const auto badScript = dir.write("bad.txt", std::string("0 wiggle\n"));
    const std::string out = " --video " + quoted(dir / "out.mp4");
    for (const std::string& arguments :
         {song + out + " --fps 25", song + out + " --scale 4", song + out + " --scale 0", song + out + " --mode 7",
          song + out + " --from 2000 --to 1000", song + out + " --from 9000", song + out + " --to soon",
          song + out + " --output mm-out", song + out + " --speed 4", song + out + " --bogus",
          song + out + " other.mid",
          song + " --video " + quoted(dir / "out.avi"), song + " --video " + quoted(dir / "no/such/out.mp4"),
          song + out + " --input " + quoted(badScript), song + out + " --input " + quoted(dir / "none.txt"),
          quoted(notSong) + out, quoted(dir / "missing.mid") + out, song + " --video"}) {
        const Result result = run(arguments);
        EXPECT_EQ(result.status, 1) << arguments;
        EXPECT_EQ(result.out.rfind("quorva-render: ", 0), 0u) << arguments << ": " << result.out;
        EXPECT_EQ(result.out.find('\n'), result.out.size() - 1) << arguments << ": " << result.out;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3) << arguments;
    }
}

}  // namespace
}  // namespace quorva::testing::video
