#include "tools/tonebank/tonemeter/measurements.h"

#include "render/render_wav.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

namespace quorva::tonemeter {

namespace {

constexpr uint8_t noteVelocity = 100;
constexpr uint8_t rhythmChannel = 9;

void noteOn(std::vector<TimedMessage>& script, double at, uint8_t channel, uint8_t key, uint8_t velocity)
{
    script.push_back({secondsToFrames(at), packMessage(static_cast<uint8_t>(0x90 | channel), key, velocity)});
}

void noteOff(std::vector<TimedMessage>& script, double at, uint8_t channel, uint8_t key)
{
    script.push_back({secondsToFrames(at), packMessage(static_cast<uint8_t>(0x80 | channel), key, 0)});
}

void sortByFrame(std::vector<TimedMessage>& script)
{
    std::stable_sort(script.begin(), script.end(),
                     [](const TimedMessage& a, const TimedMessage& b) { return a.frame < b.frame; });
}

uint32_t nextRandom(uint32_t& seed)
{
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
}

// Programs per song quarter: the first is the renderer benchmark's choice, the others walk
// through every instrument family on the channel of the same number.
uint8_t songProgram(uint8_t channel, int quarter)
{
    static constexpr std::array<uint8_t, 16> first = {0, 4, 24, 32, 40, 48, 56, 61, 65, 0, 73, 80, 88, 19, 11, 33};
    if (quarter == 0) {
        return first[channel];
    }
    const int family = channel == rhythmChannel ? 9 : channel;
    return static_cast<uint8_t>(family * 8 + (quarter * 3) % 8);
}

void denseMelodic(std::vector<TimedMessage>& script, uint8_t channel, double seconds, uint32_t& seed)
{
    static constexpr std::array<int, 7> scale = {0, 2, 4, 5, 7, 9, 11};
    constexpr double beat = 0.5;
    const uint8_t cc = static_cast<uint8_t>(0xB0 | channel);
    script.push_back({0, packMessage(cc, 7, static_cast<uint8_t>(80 + channel * 2))});
    script.push_back({0, packMessage(cc, 10, static_cast<uint8_t>(8 * channel))});
    for (int quarter = 0; quarter < 4; ++quarter) {
        script.push_back({secondsToFrames(seconds * quarter / 4),
                          packMessage(static_cast<uint8_t>(0xC0 | channel), songProgram(channel, quarter))});
    }
    const int base = 36 + 12 * (channel % 4);
    for (double at = 0.0; at + 1.5 * beat < seconds; at += beat / 2) {
        const uint8_t key = static_cast<uint8_t>(base + scale[nextRandom(seed) % 7] + 12 * (nextRandom(seed) % 2));
        noteOn(script, at, channel, key, static_cast<uint8_t>(60 + nextRandom(seed) % 60));
        noteOff(script, at + 1.5 * beat - beat * 10 / 480, channel, key);
    }
    for (int step = 0; step * beat / 4 < seconds; ++step) {
        const double at = step * beat / 4;
        if (channel % 3 == 0) {
            const uint32_t bend = 8192 + static_cast<uint32_t>(step % 32) * 128 - 2048;
            script.push_back({secondsToFrames(at), packMessage(static_cast<uint8_t>(0xE0 | channel),
                                                               static_cast<uint8_t>(bend & 0x7F), static_cast<uint8_t>(bend >> 7))});
        } else {
            script.push_back({secondsToFrames(at), packMessage(cc, 1, static_cast<uint8_t>(step % 64))});
        }
    }
}

void denseDrums(std::vector<TimedMessage>& script, double seconds, uint32_t& seed)
{
    static constexpr std::array<uint8_t, 4> kits = {0, 16, 25, 32};
    for (int quarter = 0; quarter < 4; ++quarter) {
        script.push_back({secondsToFrames(seconds * quarter / 4), packMessage(0xC0 | rhythmChannel, kits[quarter])});
    }
    constexpr double eighth = 0.25;
    for (int step = 0; (step + 1) * eighth < seconds; ++step) {
        const double at = step * eighth;
        auto hit = [&](uint8_t key, uint8_t velocity) {
            noteOn(script, at, rhythmChannel, key, velocity);
            noteOff(script, at + 0.0625, rhythmChannel, key);
        };
        hit(step % 8 == 6 ? 46 : 42, 90);
        if (step % 4 == 0) {
            hit(36, 120);
        }
        if (step % 4 == 2) {
            hit(38, 110);
        }
        if (nextRandom(seed) % 8 == 0) {
            hit(static_cast<uint8_t>(45 + nextRandom(seed) % 6), 100);
        }
        if (nextRandom(seed) % 6 == 0) {
            hit(static_cast<uint8_t>(firstDrumKey + nextRandom(seed) % drumKeyCount), 100);
        }
        if (step % 32 == 0) {
            hit(49, 110);
        }
    }
}

}  // namespace

std::vector<TimedMessage> standardPhrase(int program)
{
    std::vector<TimedMessage> script;
    script.push_back({0, packMessage(0xC0, static_cast<uint8_t>(program))});
    const std::array<std::vector<uint8_t>, 3> chords = {{{48}, {60, 64, 67}, {72}}};
    double at = 0.0;
    for (const auto& chord : chords) {
        for (uint8_t key : chord) {
            noteOn(script, at, 0, key, noteVelocity);
        }
        for (uint8_t key : chord) {
            noteOff(script, at + 0.6, 0, key);
        }
        at += 0.7;
    }
    sortByFrame(script);
    return script;
}

std::vector<TimedMessage> drumHit(int kitProgram, int key)
{
    std::vector<TimedMessage> script;
    script.push_back({0, packMessage(0xC0 | rhythmChannel, static_cast<uint8_t>(kitProgram))});
    noteOn(script, 0.0, rhythmChannel, static_cast<uint8_t>(key), noteVelocity);
    noteOff(script, 0.1, rhythmChannel, static_cast<uint8_t>(key));
    return script;
}

std::vector<TimedMessage> denseSong(double seconds)
{
    std::vector<TimedMessage> script;
    uint32_t seed = 12345;
    for (uint8_t channel = 0; channel < 16; ++channel) {
        if (channel == rhythmChannel) {
            denseDrums(script, seconds, seed);
        } else {
            denseMelodic(script, channel, seconds, seed);
        }
    }
    sortByFrame(script);
    return script;
}

std::vector<Levels> measurePrograms(MeterRender& render)
{
    std::vector<Levels> result;
    for (int program = 0; program < 128; ++program) {
        render.reset();
        result.push_back(render.play(standardPhrase(program), secondsToFrames(phraseSeconds)));
        result.back().endless = !render.settle(secondsToFrames(ringLimitSeconds));
    }
    return result;
}

std::vector<std::array<Levels, drumKeyCount>> measureDrums(MeterRender& render)
{
    std::vector<std::array<Levels, drumKeyCount>> result(kitPrograms.size());
    for (size_t kit = 0; kit < kitPrograms.size(); ++kit) {
        for (int key = firstDrumKey; key <= lastDrumKey; ++key) {
            render.reset();
            Levels& levels = result[kit][key - firstDrumKey];
            levels = render.play(drumHit(kitPrograms[kit].program, key), secondsToFrames(drumSeconds));
            levels.endless = !render.settle(secondsToFrames(ringLimitSeconds));
        }
    }
    return result;
}

bool readWavLevels(const std::string& path, LevelCounter& counter)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    constexpr size_t headerBytes = 44;
    if (bytes.size() < headerBytes || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 36, "data", 4) != 0 || bytes[34] != 16) {
        return false;
    }
    std::vector<int16_t> samples((bytes.size() - headerBytes) / 2);
    std::memcpy(samples.data(), bytes.data() + headerBytes, samples.size() * 2);
    counter.add(samples.data(), samples.size());
    return true;
}

std::optional<Levels> measureSongFile(const std::string& songPath, const std::string& toneFilePath, uint32_t voices,
                                      uint32_t levelShift, std::string& error)
{
    std::random_device random;
    const std::filesystem::path wav =
        std::filesystem::temp_directory_path() / ("quorva-tonemeter-" + std::to_string(random()) + ".wav");
    const int status = renderWav({songPath, "--wav", wav.string(), "--tones", toneFilePath, "--voices",
                                  std::to_string(voices), "--level-shift", std::to_string(levelShift)});
    LevelCounter counter;
    const bool read = status == 0 && readWavLevels(wav.string(), counter);
    std::error_code ignored;
    std::filesystem::remove(wav, ignored);
    if (!read) {
        error = "cannot render " + songPath;
        return std::nullopt;
    }
    return counter.levels();
}

}  // namespace quorva::tonemeter
