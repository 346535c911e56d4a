#include "platform/rtmidi_port.h"

#include <rtmidi/RtMidi.h>

#include <string>

namespace quorva {

namespace {

// RtMidi reports problems through this instead of printing them; the port's results say
// what the caller needs to know.
void ignoreErrors(RtMidiError::Type, const std::string&, void*) {}

std::unique_ptr<RtMidiOut> openOutput(RtMidi::Api api)
{
    auto out = std::make_unique<RtMidiOut>(api, "quorva");
    out->setErrorCallback(&ignoreErrors, nullptr);
    const unsigned int count = out->getPortCount();
    int chosen = -1;
    for (unsigned int i = 0; i < count; ++i) {
        const std::string name = out->getPortName(i);
        if (name.find("Through") == std::string::npos) {
            chosen = static_cast<int>(i);
            break;
        }
        if (chosen < 0) {
            chosen = static_cast<int>(i);
        }
    }
    if (chosen >= 0) {
        out->openPort(static_cast<unsigned int>(chosen), "quorva out");
        return out->isPortOpen() ? std::move(out) : nullptr;
    }
    // A JACK client that found no server only warns and lists no ports; it has nothing to
    // offer a port on. The ALSA sequencer throws when it is absent, so an empty ALSA list
    // means a live service with no devices yet: offer a port for a synthesizer to connect.
    if (api != RtMidi::LINUX_ALSA) {
        return nullptr;
    }
    out->openVirtualPort("quorva out");
    return out;
}

}  // namespace

RtMidiOutPort::RtMidiOutPort() = default;

RtMidiOutPort::~RtMidiOutPort() { close(); }

bool RtMidiOutPort::open()
{
    std::lock_guard guard(mutex_);
    out_.reset();
    for (RtMidi::Api api : {RtMidi::LINUX_ALSA, RtMidi::UNIX_JACK}) {
        try {
            out_ = openOutput(api);
        } catch (const RtMidiError&) {
            out_.reset();
        }
        if (out_) {
            return true;
        }
    }
    return false;
}

void RtMidiOutPort::close()
{
    std::lock_guard guard(mutex_);
    if (out_) {
        try {
            out_->closePort();
        } catch (const RtMidiError&) {
        }
        out_.reset();
    }
}

bool RtMidiOutPort::isOpen() const
{
    std::lock_guard guard(mutex_);
    return out_ != nullptr;
}

void RtMidiOutPort::sendShort(uint32_t message)
{
    const uint8_t status = message & 0xFF;
    const uint8_t bytes[3] = {status, static_cast<uint8_t>(message >> 8), static_cast<uint8_t>(message >> 16)};
    const size_t length = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 2 : 3;
    std::lock_guard guard(mutex_);
    if (out_ && status >= 0x80) {
        try {
            out_->sendMessage(bytes, length);
        } catch (const RtMidiError&) {
        }
    }
}

void RtMidiOutPort::sendLong(const LongMessage& message)
{
    // RtMidi sends the bytes before it returns, so the caller's buffer needs no copy.
    std::lock_guard guard(mutex_);
    if (out_ && message.data && message.length > 0) {
        try {
            out_->sendMessage(message.data, static_cast<size_t>(message.length));
        } catch (const RtMidiError&) {
        }
    }
}

}  // namespace quorva
