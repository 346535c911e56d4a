#include "synth/fm_synth_port.h"

#include <algorithm>
#include <cstring>

namespace quorva {
namespace {

bool matches(const uint8_t* bytes, int32_t length, std::initializer_list<uint8_t> expected)
{
    return length == static_cast<int32_t>(expected.size()) && std::equal(expected.begin(), expected.end(), bytes);
}

// GS use-for-rhythm-part: part n (byte 6 low nibble) is channel 9 for n = 0, n - 1 for
// 1..9 and n for 10..15.
uint8_t rhythmPartChannel(uint8_t part)
{
    if (part == 0) {
        return 9;
    }
    return part <= 9 ? part - 1 : part;
}

}  // namespace

std::optional<std::array<uint8_t, 4>> synthCommandForSysex(const uint8_t* bytes, int32_t length)
{
    constexpr std::array<uint8_t, 4> reset = {1, 0, 0, 0};
    if (!bytes || length <= 0) {
        return std::nullopt;
    }
    if (matches(bytes, length, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}) ||
        matches(bytes, length, {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}) ||
        matches(bytes, length, {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}) ||
        matches(bytes, length, {0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x7F, 0x00, 0x01, 0xF7}) ||
        matches(bytes, length, {0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x7F, 0x01, 0x00, 0xF7})) {
        return reset;
    }
    static constexpr uint8_t rhythmHead[] = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40};
    if (length == 11 && std::equal(std::begin(rhythmHead), std::end(rhythmHead), bytes) &&
        (bytes[6] & 0xF0) == 0x10 && bytes[7] == 0x15 && bytes[10] == 0xF7) {
        const uint8_t channel = rhythmPartChannel(bytes[6] & 0x0F);
        return std::array<uint8_t, 4>{2, channel, static_cast<uint8_t>(bytes[8] != 0 ? 1 : 0), 0};
    }
    return std::nullopt;
}

FmSynthPort::FmSynthPort(AudioDevice& device, Clock& clock, std::unique_ptr<SynthEngine> engine,
                         std::string toneFilePath)
    : device_(device),
      clock_(clock),
      engine_(std::move(engine)),
      toneFilePath_(std::move(toneFilePath)),
      scheduler_(device, clock, *engine_)
{
}

FmSynthPort::FmSynthPort(std::unique_ptr<AudioDevice> device, Clock& clock, std::unique_ptr<SynthEngine> engine,
                         std::string toneFilePath)
    : ownedDevice_(std::move(device)),
      device_(*ownedDevice_),
      clock_(clock),
      engine_(std::move(engine)),
      toneFilePath_(std::move(toneFilePath)),
      scheduler_(*ownedDevice_, clock, *engine_)
{
}

FmSynthPort::~FmSynthPort()
{
    scheduler_.close();
    device_.close();
}

void FmSynthPort::close()
{
    scheduler_.close();
    device_.close();
}

void FmSynthPort::resetClock()
{
    clockMs_.store(clock_.nowMs());
}

void FmSynthPort::sendShort(uint32_t message)
{
    scheduler_.postShort(clock_.nowMs(), message);
}

void FmSynthPort::sendLong(const LongMessage& message)
{
    if (const auto command = synthCommandForSysex(message.data, message.length)) {
        scheduler_.postCommand(clock_.nowMs(), *command);
    }
}

bool FmSynthPort::openSynth(uint32_t bufferMs, uint32_t voices, uint32_t levelShift)
{
    close();
    if (!device_.open(2, 44100, 16)) {
        return false;
    }
    if (!scheduler_.open(bufferMs, voices, levelShift, toneFilePath_)) {
        // Nothing keeps playing after a failed opening.
        close();
        return false;
    }
    resetClock();
    return true;
}

}  // namespace quorva
