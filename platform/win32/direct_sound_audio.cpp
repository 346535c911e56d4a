#include "platform/win32/direct_sound_audio.h"

#include "platform/win32/wave_out_output.h"

#include <windows.h>
#include <dsound.h>

#include <thread>

namespace quorva {
namespace {

WAVEFORMATEX pcmFormat(uint32_t channels, uint32_t rate, uint32_t bits)
{
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(channels);
    format.nSamplesPerSec = rate;
    format.wBitsPerSample = static_cast<WORD>(bits);
    format.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    format.nAvgBytesPerSec = rate * format.nBlockAlign;
    return format;
}

// Closes a kernel handle when it goes.
struct EventHandle {
    HANDLE handle = CreateEventA(nullptr, FALSE, FALSE, nullptr);  // auto-reset, not signalled
    EventHandle() = default;
    EventHandle(const EventHandle&) = delete;
    EventHandle& operator=(const EventHandle&) = delete;
    ~EventHandle()
    {
        if (handle != nullptr) {
            CloseHandle(handle);
        }
    }
};

// A looping secondary buffer of two halves. Its feeder thread waits for the play position
// to enter a half and then refills the other one.
class DirectSoundOutput final : public AudioOutput {
public:
    DirectSoundOutput(IDirectSoundBuffer* buffer, IDirectSoundNotify* notify, uint32_t halfBytes)
        : buffer_(buffer), notify_(notify), half_(halfBytes)
    {
    }
    ~DirectSoundOutput() override
    {
        stop();
        notify_->Release();
        buffer_->Release();
    }

    bool ready() const { return start_.handle != nullptr && middle_.handle != nullptr && stop_.handle != nullptr; }

    bool start(AudioFeeder& feeder) override
    {
        stop();
        DSBPOSITIONNOTIFY positions[2] = {{0, start_.handle}, {half_, middle_.handle}};
        if (FAILED(notify_->SetNotificationPositions(2, positions))) {
            return false;  // the output stays silent
        }
        for (const HANDLE event : {start_.handle, middle_.handle, stop_.handle}) {
            ResetEvent(event);
        }
        thread_ = std::thread([this, &feeder] { feed(feeder); });
        return true;
    }

    void stop() override
    {
        if (thread_.joinable()) {
            SetEvent(stop_.handle);
            thread_.join();
        }
        buffer_->Stop();
    }

private:
    void feed(AudioFeeder& feeder)
    {
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
        if (!fillHalf(feeder, 0)) {
            return;
        }
        buffer_->SetCurrentPosition(0);
        buffer_->Play(0, 0, DSBPLAY_LOOPING);
        const HANDLE events[3] = {start_.handle, middle_.handle, stop_.handle};
        for (;;) {
            const DWORD which = WaitForMultipleObjects(3, events, FALSE, INFINITE);
            // Entering half 0 frees half 1, and the other way round.
            if (which == WAIT_OBJECT_0) {
                if (!fillHalf(feeder, 1)) {
                    return;
                }
            } else if (which == WAIT_OBJECT_0 + 1) {
                if (!fillHalf(feeder, 0)) {
                    return;
                }
            } else {
                buffer_->Stop();
                return;
            }
        }
    }

    // False when the feeder ended the sound: the buffer is then stopped. A half that cannot
    // be locked is skipped.
    bool fillHalf(AudioFeeder& feeder, uint32_t index)
    {
        void* first = nullptr;
        void* second = nullptr;
        DWORD firstBytes = 0;
        DWORD secondBytes = 0;
        HRESULT result = buffer_->Lock(index * half_, half_, &first, &firstBytes, &second, &secondBytes, 0);
        if (result == DSERR_BUFFERLOST) {
            buffer_->Restore();
            result = buffer_->Lock(index * half_, half_, &first, &firstBytes, &second, &secondBytes, 0);
        }
        if (FAILED(result)) {
            return true;
        }
        const bool more = feeder.fillHalf(static_cast<uint8_t*>(first), firstBytes);
        buffer_->Unlock(first, firstBytes, second, secondBytes);
        if (!more) {
            buffer_->Stop();
        }
        return more;
    }

    IDirectSoundBuffer* buffer_;
    IDirectSoundNotify* notify_;
    uint32_t half_;
    EventHandle start_;
    EventHandle middle_;
    EventHandle stop_;
    std::thread thread_;
};

}  // namespace

DirectSoundAudioDevice::~DirectSoundAudioDevice()
{
    close();
}

bool DirectSoundAudioDevice::open(uint32_t channels, uint32_t rate, uint32_t bits)
{
    close();
    channels_ = channels;
    rate_ = rate;
    bits_ = bits;
    directSoundResult_ = S_OK;
    waveOutResult_ = MMSYSERR_NOERROR;
    if (allowDirectSound_ && openDirectSound()) {
        route_ = Route::DirectSound;
    } else if (openWaveOut()) {
        route_ = Route::WaveOut;
    }
    return isOpen();
}

bool DirectSoundAudioDevice::openDirectSound()
{
    const auto failed = [this](HRESULT result) {
        directSoundResult_ = result;
        if (primary_ != nullptr) {
            primary_->Release();
            primary_ = nullptr;
        }
        if (directSound_ != nullptr) {
            directSound_->Release();
            directSound_ = nullptr;
        }
        return false;
    };
    HRESULT result = DirectSoundCreate(nullptr, &directSound_, nullptr);
    if (FAILED(result)) {
        return failed(result);
    }
    result = directSound_->SetCooperativeLevel(window_ != nullptr ? window_ : GetDesktopWindow(), DSSCL_PRIORITY);
    if (FAILED(result)) {
        return failed(result);
    }
    DSBUFFERDESC description{};
    description.dwSize = sizeof description;
    description.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;
    result = directSound_->CreateSoundBuffer(&description, &primary_, nullptr);
    if (FAILED(result)) {
        return failed(result);
    }
    const WAVEFORMATEX format = pcmFormat(channels_, rate_, bits_);
    result = primary_->SetFormat(&format);
    if (FAILED(result)) {
        return failed(result);
    }
    return true;
}

bool DirectSoundAudioDevice::openWaveOut()
{
    // Only asks whether a device takes the format; each output opens its own.
    const WAVEFORMATEX format = pcmFormat(channels_, rate_, bits_);
    waveOutResult_ = waveOutOpen(nullptr, WAVE_MAPPER, &format, 0, 0, WAVE_FORMAT_QUERY);
    return waveOutResult_ == MMSYSERR_NOERROR;
}

void DirectSoundAudioDevice::close()
{
    if (primary_ != nullptr) {
        primary_->Release();
        primary_ = nullptr;
    }
    if (directSound_ != nullptr) {
        directSound_->Release();
        directSound_ = nullptr;
    }
    route_ = Route::Closed;
}

std::unique_ptr<AudioOutput> DirectSoundAudioDevice::createOutput(uint32_t halfBytes)
{
    WAVEFORMATEX format = pcmFormat(channels_, rate_, bits_);
    if (halfBytes == 0 || halfBytes % format.nBlockAlign != 0) {
        return nullptr;
    }
    if (route_ == Route::WaveOut) {
        return WaveOutOutput::open(format, halfBytes);
    }
    if (route_ != Route::DirectSound) {
        return nullptr;
    }
    DSBUFFERDESC description{};
    description.dwSize = sizeof description;
    description.dwFlags =
        DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_GLOBALFOCUS | DSBCAPS_CTRLPOSITIONNOTIFY | DSBCAPS_LOCSOFTWARE;
    description.dwBufferBytes = 2 * halfBytes;
    description.lpwfxFormat = &format;
    IDirectSoundBuffer* buffer = nullptr;
    if (FAILED(directSound_->CreateSoundBuffer(&description, &buffer, nullptr))) {
        return nullptr;
    }
    IDirectSoundNotify* notify = nullptr;
    if (FAILED(buffer->QueryInterface(IID_IDirectSoundNotify, reinterpret_cast<void**>(&notify)))) {
        buffer->Release();
        return nullptr;
    }
    auto output = std::make_unique<DirectSoundOutput>(buffer, notify, halfBytes);
    if (!output->ready()) {
        return nullptr;
    }
    return output;
}

}  // namespace quorva
