// io-probe: the Windows sound and MIDI pieces of the player on their own, for the tests of
// what Wine's services answer them.
//   io-probe midi-out                   opens the MIDI mapper as the "[MM-OUT]" port, prints
//                                       "midiOutOpen RESULT"; when open, sends a GM System On
//                                       (from a buffer overwritten at once), three short
//                                       messages and a 300-byte exclusive, then closes twice
//   io-probe direct-music RATE EFFECTS  opens the "[MS-SS]" port, prints "open 0|1" and, when
//                                       it failed, "failed STEP 0xRESULT"
//   io-probe audio directsound|waveout MS
//                                       opens the sound card, prints "route NAME" and the
//                                       DirectSound and waveOut results, then plays a 440 Hz
//                                       sine (amplitude 8192) for MS milliseconds in halves
//                                       of 100 ms, and prints "halves N", the halves it filled
//   io-probe dde SERVICE TOPIC COMMAND  sends COMMAND as a DDE execute in a conversation on
//                                       SERVICE and TOPIC and prints what came of it: "done",
//                                       "refused", "no server" or "timed out"
// Exit status: 0 opened (and done) or, for dde, answered in any way; 1 not opened; 2 usage.
#include "platform/win32/dde_control_server.h"
#include "platform/win32/direct_music_synth.h"
#include "platform/win32/direct_sound_audio.h"
#include "platform/win32/winmm_midi_out.h"
#include "ports/direct_music_port.h"

#include <windows.h>

#include <cmath>
#include <fcntl.h>
#include <io.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using namespace quorva;

int midiOut()
{
    WinMidiOutPort port;
    const bool opened = port.open();
    std::printf("midiOutOpen %u\n", static_cast<unsigned>(port.lastOpenResult()));
    if (!opened) {
        return 1;
    }
    std::vector<uint8_t> gmSystemOn = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    port.sendLong({gmSystemOn.data(), static_cast<int32_t>(gmSystemOn.size()), sysex::GmSystemOn});
    std::fill(gmSystemOn.begin(), gmSystemOn.end(), 0xEE);
    port.sendShort(packShort(0x90, 60, 100));
    port.sendShort(packShort(0xC3, 5));
    port.sendShort(packShort(0x80, 60, 0));
    std::vector<uint8_t> exclusive(300);
    for (size_t i = 0; i < exclusive.size(); ++i) {
        exclusive[i] = static_cast<uint8_t>(i & 0x7F);
    }
    exclusive.front() = 0xF0;
    exclusive.back() = 0xF7;
    port.sendLong({exclusive.data(), static_cast<int32_t>(exclusive.size()), sysex::Other});
    port.close();
    port.close();
    std::printf("in flight %zu\n", port.headersInFlight());
    return 0;
}

int directMusic(int32_t sampleRate, bool effects)
{
    auto synth = std::make_unique<DirectMusicSynth>();
    DirectMusicSynth& directMusic = *synth;
    DirectMusicPort port(std::move(synth));
    const bool opened = port.openSoftSynth(sampleRate, effects);
    std::printf("open %d\n", opened ? 1 : 0);
    if (!opened) {
        std::printf("failed %s 0x%08x\n", directMusic.failedStep(), static_cast<unsigned>(directMusic.failedResult()));
    }
    port.close();
    return opened ? 0 : 1;
}

// A steady sine on both channels.
class SineFeeder final : public AudioFeeder {
public:
    bool fillHalf(uint8_t* bytes, uint32_t count) override
    {
        auto* samples = reinterpret_cast<int16_t*>(bytes);
        for (uint32_t frame = 0; frame < count / 4; ++frame) {
            const auto value = static_cast<int16_t>(std::lround(8192.0 * std::sin(phase_)));
            samples[2 * frame] = value;
            samples[2 * frame + 1] = value;
            phase_ = std::fmod(phase_ + 2.0 * M_PI * 440.0 / 44100.0, 2.0 * M_PI);
        }
        ++halvesFilled_;
        return true;
    }
    int halvesFilled() const { return halvesFilled_; }

private:
    double phase_ = 0.0;
    int halvesFilled_ = 0;
};

int audio(bool directSound, DWORD milliseconds)
{
    DirectSoundAudioDevice device(nullptr, directSound);
    const bool opened = device.open(2, 44100, 16);
    const char* route = device.route() == DirectSoundAudioDevice::Route::DirectSound ? "directsound"
                        : device.route() == DirectSoundAudioDevice::Route::WaveOut ? "waveout"
                                                                                    : "none";
    std::printf("route %s\ndirectsound 0x%08x\nwaveout %u\n", route, static_cast<unsigned>(device.directSoundResult()),
                static_cast<unsigned>(device.waveOutResult()));
    if (!opened) {
        return 1;
    }
    auto output = device.createOutput(4 * 4410);  // halves of 100 ms
    SineFeeder sine;
    if (!output || !output->start(sine)) {
        std::printf("no output\n");
        return 1;
    }
    Sleep(milliseconds);
    output->stop();
    std::printf("halves %d\n", sine.halvesFilled());
    output.reset();
    device.close();
    return 0;
}

int ddeExecute(const std::string& service, const std::string& topic, const std::string& command)
{
    DdeControlClient client;
    switch (client.execute(service, topic, command).outcome) {
    case DdeOutcome::Done: std::printf("done\n"); break;
    case DdeOutcome::Refused: std::printf("refused\n"); break;
    case DdeOutcome::NoServer: std::printf("no server\n"); break;
    case DdeOutcome::TimedOut: std::printf("timed out\n"); break;
    }
    return 0;
}

int usage()
{
    std::fprintf(stderr, "usage: io-probe midi-out | direct-music RATE EFFECTS | audio directsound|waveout MS\n"
                         "       io-probe dde SERVICE TOPIC COMMAND\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    // Unbuffered, and lines end in a line feed alone, as the tests read them.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc == 2 && std::strcmp(argv[1], "midi-out") == 0) {
        return midiOut();
    }
    if (argc == 4 && std::strcmp(argv[1], "direct-music") == 0) {
        return directMusic(std::atoi(argv[2]), std::atoi(argv[3]) != 0);
    }
    if (argc == 4 && std::strcmp(argv[1], "audio") == 0) {
        return audio(std::strcmp(argv[2], "directsound") == 0, static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)));
    }
    if (argc == 5 && std::strcmp(argv[1], "dde") == 0) {
        return ddeExecute(argv[2], argv[3], argv[4]);
    }
    return usage();
}
