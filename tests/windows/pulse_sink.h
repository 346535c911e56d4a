#pragma once
// A private PulseAudio server with one null sink, for the tests that listen to what the
// Windows programs play under Wine: Wine's sound goes to the server named by PULSE_SERVER,
// and parec records the sink's monitor in real time.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quorva::testing {

class PulseSink {
public:
    static constexpr const char* sinkName = "quorva_sink";

    // Starts the server with its files in `directory`; check ready().
    explicit PulseSink(const std::filesystem::path& directory);
    ~PulseSink();
    PulseSink(const PulseSink&) = delete;
    PulseSink& operator=(const PulseSink&) = delete;

    bool ready() const { return failure_.empty(); }
    const std::string& failure() const { return failure_; }
    // The value of PULSE_SERVER for the programs that play.
    std::string serverAddress() const;

    // Records the sink's monitor (44100 Hz, 2 channels, 16-bit) until stopRecording; returns
    // once the recorder delivers.
    bool startRecording();
    // The samples recorded, interleaved left and right.
    std::vector<int16_t> stopRecording();

private:
    std::filesystem::path directory_;
    std::filesystem::path recording_;
    std::string failure_;
    int server_ = -1;
    int recorder_ = -1;
};

// What a stretch of sound measures: from the first to the last left sample whose magnitude
// is above the threshold.
struct SoundMeasure {
    double seconds = 0;
    double rms = 0;         // of the left channel over that stretch
    double dominantHz = 0;  // the strongest whole frequency 50..2000 Hz of its middle half second
};

SoundMeasure measureSound(const std::vector<int16_t>& stereo, int threshold = 64);
// The samples of a 16-bit PCM WAV file, interleaved as stored; empty when it is none.
std::vector<int16_t> readWavSamples(const std::filesystem::path& path);

}  // namespace quorva::testing
