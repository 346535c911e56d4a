#include "platform/win32/winmm_midi_out.h"

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>

namespace quorva {

struct WinMidiOutPort::Block {
    MIDIHDR header{};
    std::vector<uint8_t> data;  // the copy the header points at
    bool finished = false;
};

namespace {

void CALLBACK serviceCallback(HMIDIOUT handle, UINT message, DWORD_PTR instance, DWORD_PTR parameter1,
                              DWORD_PTR parameter2)
{
    if (message == MOM_DONE) {
        reinterpret_cast<WinMidiOutPort*>(instance)->markFinished(reinterpret_cast<const void*>(parameter1));
    }
}

}  // namespace

WinMidiOutPort::WinMidiOutPort() = default;

WinMidiOutPort::~WinMidiOutPort()
{
    close();
}

bool WinMidiOutPort::open()
{
    close();
    HMIDIOUT handle = nullptr;
    lastOpenResult_ = midiOutOpen(&handle, MIDI_MAPPER, reinterpret_cast<DWORD_PTR>(&serviceCallback),
                                  reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION);
    if (lastOpenResult_ != MMSYSERR_NOERROR) {
        return false;
    }
    handle_ = handle;
    return true;
}

void WinMidiOutPort::close()
{
    std::lock_guard guard(sendLock_);
    if (handle_ == nullptr) {
        return;
    }
    // The reset returns every queued header with MOM_DONE, so all of them can be freed and
    // the close cannot fail for headers still out.
    midiOutReset(handle_);
    releaseFinished();
    const bool closed = midiOutClose(handle_) == MMSYSERR_NOERROR;
    handle_ = nullptr;
    std::lock_guard blocksGuard(blocksLock_);
    if (!closed) {
        // The service keeps the headers it never returned; their memory stays with it.
        for (auto& block : blocks_) {
            static_cast<void>(block.release());
        }
    }
    blocks_.clear();
}

void WinMidiOutPort::sendShort(uint32_t message)
{
    if (handle_ != nullptr) {
        midiOutShortMsg(handle_, message);
    }
}

void WinMidiOutPort::sendLong(const LongMessage& message)
{
    if (message.data == nullptr || message.length <= 0) {
        return;
    }
    std::lock_guard guard(sendLock_);
    if (handle_ == nullptr) {
        return;
    }
    releaseFinished();
    // The caller's bytes may be freed as soon as this returns: the header carries a copy.
    auto block = std::make_unique<Block>();
    block->data.assign(message.data, message.data + message.length);
    block->header.lpData = reinterpret_cast<LPSTR>(block->data.data());
    block->header.dwBufferLength = static_cast<DWORD>(block->data.size());
    MIDIHDR* header = &block->header;
    {
        std::lock_guard blocksGuard(blocksLock_);
        blocks_.push_back(std::move(block));
    }
    midiOutPrepareHeader(handle_, header, sizeof(MIDIHDR));
    if (midiOutLongMsg(handle_, header, sizeof(MIDIHDR)) != MMSYSERR_NOERROR) {
        // Refused: no MOM_DONE need come for it.
        markFinished(header);
        releaseFinished();
    }
}

size_t WinMidiOutPort::headersInFlight()
{
    std::lock_guard guard(blocksLock_);
    return static_cast<size_t>(
        std::count_if(blocks_.begin(), blocks_.end(), [](const auto& block) { return !block->finished; }));
}

void WinMidiOutPort::markFinished(const void* header)
{
    std::lock_guard guard(blocksLock_);
    for (auto& block : blocks_) {
        if (&block->header == header) {
            block->finished = true;
        }
    }
}

void WinMidiOutPort::releaseFinished()
{
    std::vector<std::unique_ptr<Block>> finished;
    {
        std::lock_guard guard(blocksLock_);
        const auto kept =
            std::stable_partition(blocks_.begin(), blocks_.end(), [](const auto& block) { return !block->finished; });
        finished.assign(std::make_move_iterator(kept), std::make_move_iterator(blocks_.end()));
        blocks_.erase(kept, blocks_.end());
    }
    for (auto& block : finished) {
        midiOutUnprepareHeader(handle_, &block->header, sizeof(MIDIHDR));
    }
}

}  // namespace quorva
