#include "platform/posix_clock.h"
#include "platform/sdl_audio.h"
#include "ports/port_selector.h"
#include "song/channel_monitor.h"
#include "song/sequencer.h"
#include "song/smf_file.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"
#include "synth/fm_synth.h"
#include "synth/fm_synth_port.h"
#include "synth/synth_tones.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace quorva {
namespace {

class SdlFmFactory final : public PortFactory {
public:
    SdlFmFactory(AudioDevice& device, Clock& clock, std::string tones) : device_(device), clock_(clock), tones_(std::move(tones)) {}
    std::unique_ptr<MidiPort> makeMidiOut() override { return makeNull(); }
    std::unique_ptr<MidiPort> makeSoftSynth() override { return makeNull(); }
    std::unique_ptr<MidiPort> makeFmSynth() override
    {
        return std::make_unique<FmSynthPort>(device_, clock_, std::make_unique<FmSynth>(), tones_);
    }

private:
    AudioDevice& device_;
    Clock& clock_;
    std::string tones_;
};

std::vector<int16_t> readSamples(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

// The whole road in real time: sequencer timer thread, FM port queue, SDL's audio thread
// (the disk driver writes what it plays to a file).
TEST(SdlAudio, SongPlaysThroughTheStreamIntoTheDiskDriverFile)
{
    testing::TempDir dir;
    const auto output = dir / "played.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
    const auto tones = dir.write("fmstone.dat", testing::synthTestTones());
    testing::TrackBuilder track;
    track.event(0, {0xC0, 1}).event(0, {0x90, 60, 120}).event(240, {0x90, 67, 120}).event(240, {0x80, 60, 0});
    track.event(0, {0x80, 67, 0});
    const auto song = dir.write("song.mid", testing::buildSmf(0, 480, {track}));
    {
        SystemClock clock;
        SdlAudioDevice device;
        SdlFmFactory factory(device, clock, tones.string());
        PortSelector ports(factory);
        ASSERT_TRUE(ports.selectFmSynth(50, 16, 6));
        ChannelMonitor monitor(ports);
        SmfFile file;
        ThreadPeriodicTimer timer;
        Sequencer sequencer(file, monitor, ports, timer);
        ASSERT_TRUE(sequencer.startTimer());
        ASSERT_TRUE(sequencer.loadAndPlay(song.string()));
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (sequencer.state() == PlayState::Playing && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        EXPECT_NE(sequencer.state(), PlayState::Playing);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the stream's latency and the release
        sequencer.shutdown();
        ports.release();
    }
    unsetenv("SDL_DISKAUDIOFILE");
    setenv("SDL_AUDIODRIVER", "dummy", 1);

    const auto samples = readSamples(output);
    // About 1.5 s of song plus the tail, in stereo at 44100 Hz.
    ASSERT_GT(samples.size(), 2u * 44100);
    // The first half (40 ms at 50 ms buffers) is rendered before anything was sent.
    for (size_t i = 0; i < 2 * 1764; ++i) {
        ASSERT_EQ(samples[i], 0) << i;
    }
    int16_t peak = 0;
    for (int16_t s : samples) {
        peak = std::max<int16_t>(peak, static_cast<int16_t>(std::abs(s)));
    }
    EXPECT_GT(peak, 1000);
    EXPECT_LE(peak, 9426 * 2);  // two notes of at most full level each
}

TEST(SdlAudio, OutputsExistOnlyWhileTheDeviceIsOpen)
{
    SdlAudioDevice device;
    EXPECT_EQ(device.createOutput(7056), nullptr);
    ASSERT_TRUE(device.open(2, 44100, 16));
    EXPECT_EQ(device.createOutput(7055), nullptr);  // not whole frames
    auto output = device.createOutput(7056);
    EXPECT_NE(output, nullptr);
    output.reset();
    device.close();
    EXPECT_FALSE(device.isOpen());
}

}  // namespace
}  // namespace quorva
