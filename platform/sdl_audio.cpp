#include "platform/sdl_audio.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace quorva {
namespace {

// One SDL audio device playing the halves its feeder writes. SDL may ask for any number
// of bytes per callback, so whole halves are rendered into a staging half and served from it.
class SdlAudioOutput final : public AudioOutput {
public:
    explicit SdlAudioOutput(uint32_t halfBytes) : half_(halfBytes) {}
    ~SdlAudioOutput() override
    {
        if (device_ != 0) {
            stop();
            SDL_CloseAudioDevice(device_);
        }
    }

    // Opens the device paused; SDL converts if the card's own format differs.
    bool openDevice(const SDL_AudioSpec& wanted)
    {
        SDL_AudioSpec obtained{};
        device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
        return device_ != 0;
    }

    bool start(AudioFeeder& feeder) override
    {
        stop();
        SDL_LockAudioDevice(device_);
        feeder_ = &feeder;
        feeding_ = true;
        served_ = 0;
        refill();  // the prefill of the first half
        SDL_UnlockAudioDevice(device_);
        SDL_PauseAudioDevice(device_, 0);
        return true;
    }

    void stop() override
    {
        SDL_PauseAudioDevice(device_, 1);
        // Taking the device lock waits for a callback that is running to finish.
        SDL_LockAudioDevice(device_);
        feeder_ = nullptr;
        feeding_ = false;
        SDL_UnlockAudioDevice(device_);
    }

    // SDL marks a device that went away (and announces SDL_AUDIODEVICEREMOVED); it then
    // goes on calling back into a buffer of its own, which plays nowhere.
    bool lost() const override { return SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED; }

    static void callback(void* self, Uint8* stream, int length)
    {
        static_cast<SdlAudioOutput*>(self)->play(stream, static_cast<uint32_t>(length));
    }

private:
    void refill()
    {
        if (feeding_ && !feeder_->fillHalf(half_.data(), static_cast<uint32_t>(half_.size()))) {
            feeding_ = false;
        }
        if (!feeding_) {
            std::fill(half_.begin(), half_.end(), 0);
        }
        served_ = 0;
    }

    void play(uint8_t* stream, uint32_t length)
    {
        while (length > 0) {
            if (served_ == half_.size()) {
                refill();
            }
            const uint32_t count = std::min<uint32_t>(length, static_cast<uint32_t>(half_.size()) - served_);
            std::memcpy(stream, half_.data() + served_, count);
            served_ += count;
            stream += count;
            length -= count;
        }
    }

    SDL_AudioDeviceID device_ = 0;
    std::vector<uint8_t> half_;
    uint32_t served_ = 0;
    AudioFeeder* feeder_ = nullptr;
    bool feeding_ = false;
};

}  // namespace

SdlAudioDevice::~SdlAudioDevice()
{
    close();
}

bool SdlAudioDevice::open(uint32_t channels, uint32_t rate, uint32_t bits)
{
    close();
    if (bits != 16 || SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return false;
    }
    channels_ = channels;
    rate_ = rate;
    bits_ = bits;
    open_ = true;
    return true;
}

void SdlAudioDevice::close()
{
    if (open_) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        open_ = false;
    }
}

std::unique_ptr<AudioOutput> SdlAudioDevice::createOutput(uint32_t halfBytes)
{
    const uint32_t frameBytes = channels_ * bits_ / 8;
    if (!open_ || halfBytes == 0 || halfBytes % frameBytes != 0) {
        return nullptr;
    }
    auto output = std::make_unique<SdlAudioOutput>(halfBytes);
    SDL_AudioSpec wanted{};
    wanted.freq = static_cast<int>(rate_);
    wanted.format = AUDIO_S16SYS;
    wanted.channels = static_cast<Uint8>(channels_);
    wanted.samples = static_cast<Uint16>(std::min<uint32_t>(halfBytes / frameBytes, 0x8000));
    wanted.callback = &SdlAudioOutput::callback;
    wanted.userdata = output.get();
    if (!output->openDevice(wanted)) {
        return nullptr;
    }
    return output;
}

}  // namespace quorva
