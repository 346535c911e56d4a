#include "render/wav_writer.h"

#include <cstring>
#include <vector>

namespace quorva {
namespace {

constexpr uint16_t channelCount = 2;
constexpr uint16_t bitsPerSample = 16;
constexpr uint32_t headerBytes = 44;

void put16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void put32(uint8_t* p, uint32_t v)
{
    put16(p, static_cast<uint16_t>(v));
    put16(p + 2, static_cast<uint16_t>(v >> 16));
}

void fillHeader(uint8_t* h, uint32_t dataBytes, uint32_t sampleRate)
{
    std::memcpy(h, "RIFF", 4);
    put32(h + 4, 36 + dataBytes);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    put32(h + 16, 16);
    put16(h + 20, 1);  // PCM
    put16(h + 22, channelCount);
    put32(h + 24, sampleRate);
    put32(h + 28, sampleRate * channelCount * bitsPerSample / 8);
    put16(h + 32, channelCount * bitsPerSample / 8);
    put16(h + 34, bitsPerSample);
    std::memcpy(h + 36, "data", 4);
    put32(h + 40, dataBytes);
}

}  // namespace

WavWriter::~WavWriter()
{
    if (file_) {
        std::fclose(file_);
    }
}

bool WavWriter::open(const std::string& path)
{
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) {
        return false;
    }
    uint8_t header[headerBytes];
    fillHeader(header, 0, sampleRate_);
    failed_ = std::fwrite(header, 1, headerBytes, file_) != headerBytes;
    return !failed_;
}

bool WavWriter::write(const uint8_t* bytes, uint32_t count)
{
    if (!file_ || failed_) {
        return false;
    }
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    std::vector<uint8_t> swapped(bytes, bytes + count);
    for (uint32_t i = 0; i + 1 < count; i += 2) {
        std::swap(swapped[i], swapped[i + 1]);
    }
    bytes = swapped.data();
#endif
    failed_ = std::fwrite(bytes, 1, count, file_) != count;
    dataBytes_ += count;
    return !failed_;
}

bool WavWriter::finish()
{
    if (!file_) {
        return false;
    }
    // A RIFF size field holds 32 bits; longer data is cut to what it can describe.
    const uint32_t size = dataBytes_ > 0xFFFFFFFFull - 36 ? 0xFFFFFFFFu - 36 : static_cast<uint32_t>(dataBytes_);
    uint8_t header[headerBytes];
    fillHeader(header, size, sampleRate_);
    bool ok = !failed_ && std::fseek(file_, 0, SEEK_SET) == 0 && std::fwrite(header, 1, headerBytes, file_) == headerBytes;
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    return ok;
}

namespace {
// No sample beyond the level of a synthesizer's dither noise.
bool quiet(const std::vector<uint8_t>& bytes)
{
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto sample = static_cast<int16_t>(bytes[i] | bytes[i + 1] << 8);
        if (sample > 2 || sample < -2) {
            return false;
        }
    }
    return true;
}
}  // namespace

class WavAudioDevice::Output final : public AudioOutput {
public:
    Output(WavAudioDevice& device, uint32_t halfBytes) : device_(device), half_(halfBytes) {}
    ~Output() override
    {
        if (device_.active_ == this) {
            device_.active_ = nullptr;
        }
    }
    bool start(AudioFeeder& feeder) override
    {
        feeder_ = &feeder;
        device_.active_ = this;
        return pump();  // the prefill
    }
    void stop() override { feeder_ = nullptr; }
    bool pump()
    {
        if (!feeder_) {
            return false;
        }
        std::memset(half_.data(), 0, half_.size());
        if (!feeder_->fillHalf(half_.data(), static_cast<uint32_t>(half_.size()))) {
            feeder_ = nullptr;
            return false;
        }
        device_.lastHalfSilent_ = quiet(half_);
        return device_.writer_.write(half_.data(), static_cast<uint32_t>(half_.size()));
    }

private:
    WavAudioDevice& device_;
    std::vector<uint8_t> half_;
    AudioFeeder* feeder_ = nullptr;
};

bool WavAudioDevice::open(uint32_t channels, uint32_t rate, uint32_t bits)
{
    open_ = channels == channelCount && (rate == 11025 || rate == 22050 || rate == 44100) && bits == bitsPerSample;
    if (open_) {
        writer_.setSampleRate(rate);
    }
    return open_;
}

std::unique_ptr<AudioOutput> WavAudioDevice::createOutput(uint32_t halfBytes)
{
    if (!open_) {
        return nullptr;
    }
    return std::make_unique<Output>(*this, halfBytes);
}

bool WavAudioDevice::pumpHalf()
{
    return active_ && active_->pump();
}

}  // namespace quorva
