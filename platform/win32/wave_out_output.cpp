#include "platform/win32/wave_out_output.h"

namespace quorva {

std::unique_ptr<WaveOutOutput> WaveOutOutput::open(const WAVEFORMATEX& format, uint32_t halfBytes)
{
    HANDLE done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE stop = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HWAVEOUT device = nullptr;
    if (done == nullptr || stop == nullptr ||
        waveOutOpen(&device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(done), 0, CALLBACK_EVENT) !=
            MMSYSERR_NOERROR) {
        for (const HANDLE event : {done, stop}) {
            if (event != nullptr) {
                CloseHandle(event);
            }
        }
        return nullptr;
    }
    return std::make_unique<WaveOutOutput>(device, done, stop, halfBytes);
}

WaveOutOutput::WaveOutOutput(HWAVEOUT device, HANDLE done, HANDLE stop, uint32_t halfBytes)
    : device_(device), done_(done), stop_(stop)
{
    for (Block& block : blocks_) {
        block.bytes.resize(halfBytes);
        block.header.lpData = reinterpret_cast<LPSTR>(block.bytes.data());
        block.header.dwBufferLength = halfBytes;
    }
}

WaveOutOutput::~WaveOutOutput()
{
    stop();
    waveOutClose(device_);
    CloseHandle(done_);
    CloseHandle(stop_);
}

bool WaveOutOutput::start(AudioFeeder& feeder)
{
    stop();
    ResetEvent(stop_);
    thread_ = std::thread([this, &feeder] { feed(feeder); });
    return true;
}

void WaveOutOutput::stop()
{
    if (thread_.joinable()) {
        SetEvent(stop_);
        thread_.join();
    }
    // Returns the queued blocks at once.
    waveOutReset(device_);
    for (Block& block : blocks_) {
        if (block.header.dwFlags & WHDR_PREPARED) {
            waveOutUnprepareHeader(device_, &block.header, sizeof(WAVEHDR));
        }
        block.header.dwFlags = 0;
    }
}

bool WaveOutOutput::play(AudioFeeder& feeder, Block& block)
{
    if (block.header.dwFlags & WHDR_PREPARED) {
        waveOutUnprepareHeader(device_, &block.header, sizeof(WAVEHDR));
    }
    if (!feeder.fillHalf(block.bytes.data(), static_cast<uint32_t>(block.bytes.size()))) {
        return false;
    }
    block.header.dwFlags = 0;
    waveOutPrepareHeader(device_, &block.header, sizeof(WAVEHDR));
    waveOutWrite(device_, &block.header, sizeof(WAVEHDR));
    return true;
}

void WaveOutOutput::feed(AudioFeeder& feeder)
{
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    // The first half, then the second, queued back to back.
    for (Block& block : blocks_) {
        if (!play(feeder, block)) {
            return;
        }
    }
    const HANDLE events[2] = {done_, stop_};
    for (;;) {
        if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0) {
            return;
        }
        for (Block& block : blocks_) {
            if ((block.header.dwFlags & WHDR_DONE) && !play(feeder, block)) {
                return;
            }
        }
    }
}

}  // namespace quorva
