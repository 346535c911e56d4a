#pragma once
#include "platform/audio_device.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace quorva {

// Writes a 16-bit stereo WAV file (44100 Hz unless told otherwise) as the sound arrives;
// the sizes and the rate in the header are filled in by finish().
class WavWriter {
public:
    ~WavWriter();
    bool open(const std::string& path);
    bool write(const uint8_t* bytes, uint32_t count);
    bool finish();
    uint64_t dataBytes() const { return dataBytes_; }
    void setSampleRate(uint32_t rate) { sampleRate_ = rate; }

private:
    std::FILE* file_ = nullptr;
    uint64_t dataBytes_ = 0;
    bool failed_ = false;
    uint32_t sampleRate_ = 44100;
};

// A sound card (2 channels, 16-bit, 11025, 22050 or 44100 Hz) that plays into a WavWriter
// when told to: each pumpHalf asks the started
// output's feeder for one half and appends it to the file. Single-threaded by design.
class WavAudioDevice final : public AudioDevice {
public:
    explicit WavAudioDevice(WavWriter& writer) : writer_(writer) {}
    bool open(uint32_t channels, uint32_t rate, uint32_t bits) override;
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    std::unique_ptr<AudioOutput> createOutput(uint32_t halfBytes) override;

    // False when no output is playing or the file cannot be written.
    bool pumpHalf();
    // The half last pumped held nothing louder than dither noise (|sample| <= 2).
    bool lastHalfSilent() const { return lastHalfSilent_; }

private:
    class Output;
    WavWriter& writer_;
    bool open_ = false;
    Output* active_ = nullptr;
    bool lastHalfSilent_ = false;
};

}  // namespace quorva
