#include "platform/rtmidi_port.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>
#include <rtmidi/RtMidi.h>

#include "ports/midi_port.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace quorva {

namespace {

// RtMidi reports problems through this instead of printing them; the port's results say
// what the caller needs to know.
void ignoreErrors(RtMidiError::Type, const std::string&, void*) {}

// The ALSA library and the JACK client library print their own error text on standard error
// when the sequencer or the server is missing; the program's own message says what matters.
void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}
void ignoreJackMessage(const char*) {}

void silenceLibraries()
{
    snd_lib_error_set_handler(&ignoreAlsaError);
    jack_set_error_function(&ignoreJackMessage);
    jack_set_info_function(&ignoreJackMessage);
}

// RtMidi prints its own complaint before it can be told not to, when the service is absent;
// so the service is tried quietly first.
bool serviceAvailable(RtMidi::Api api)
{
    silenceLibraries();
    if (api == RtMidi::LINUX_ALSA) {
        snd_seq_t* sequencer = nullptr;
        if (snd_seq_open(&sequencer, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0) {
            return false;
        }
        snd_seq_close(sequencer);
        return true;
    }
    jack_status_t status{};
    jack_client_t* client = jack_client_open(ownClientName, JackNoStartServer, &status);
    if (!client) {
        return false;
    }
    jack_client_close(client);
    return true;
}

const char* serviceName(RtMidi::Api api)
{
    return api == RtMidi::LINUX_ALSA ? "alsa" : "jack";
}

std::unique_ptr<RtMidiOut> makeOutput(RtMidi::Api api)
{
    silenceLibraries();
    auto out = std::make_unique<RtMidiOut>(api, ownClientName);
    out->setErrorCallback(&ignoreErrors, nullptr);
    return out;
}

// The destinations of one service; false when the service is absent.
bool listService(RtMidi::Api api, std::vector<MidiDestination>& list)
{
    if (!serviceAvailable(api)) {
        return false;
    }
    try {
        auto out = makeOutput(api);
        const unsigned int count = out->getPortCount();
        for (unsigned int i = 0; i < count; ++i) {
            list.push_back({serviceName(api), out->getPortName(i)});
        }
        return true;
    } catch (const RtMidiError&) {
        return false;
    }
}

// Opens the destination on its service by name (the index may have moved since listing).
std::unique_ptr<RtMidiOut> openDestination(const MidiDestination& destination)
{
    const RtMidi::Api api = destination.service == "alsa" ? RtMidi::LINUX_ALSA : RtMidi::UNIX_JACK;
    if (!serviceAvailable(api)) {
        return nullptr;
    }
    try {
        auto out = makeOutput(api);
        const unsigned int count = out->getPortCount();
        for (unsigned int i = 0; i < count; ++i) {
            if (out->getPortName(i) == destination.name) {
                out->openPort(i, "out");
                return out->isPortOpen() ? std::move(out) : nullptr;
            }
        }
    } catch (const RtMidiError&) {
    }
    return nullptr;
}

}  // namespace

std::vector<MidiDestination> listMidiDestinations(bool includeJack)
{
    std::vector<MidiDestination> list;
    const bool alsa = listService(RtMidi::LINUX_ALSA, list);
    if (!alsa || includeJack) {
        listService(RtMidi::UNIX_JACK, list);
    }
    return list;
}

std::optional<MidiDestination> chosenMidiDestination(std::string& wanted, bool& wantedFound)
{
    const char* variable = std::getenv(midiOutVariable);
    wanted = variable ? variable : "";
    wantedFound = false;
    if (!wanted.empty()) {
        // A named destination is looked for on both services.
        const auto all = listMidiDestinations(true);
        const int index = chooseDestination(all, wanted, wantedFound);
        if (wantedFound) {
            return all[static_cast<size_t>(index)];
        }
    }
    const auto list = listMidiDestinations(false);
    bool ignored = false;
    const int index = chooseDestination(list, "", ignored);
    if (index < 0) {
        return std::nullopt;
    }
    return list[static_cast<size_t>(index)];
}

RtMidiOutPort::RtMidiOutPort() = default;

RtMidiOutPort::~RtMidiOutPort() { close(); }

bool RtMidiOutPort::open()
{
    std::lock_guard guard(mutex_);
    out_.reset();
    std::string wanted;
    bool wantedFound = false;
    const auto destination = chosenMidiDestination(wanted, wantedFound);
    if (!wanted.empty() && !wantedFound) {
        static bool reported = false;
        if (!reported) {
            std::fprintf(stderr, "quorva: no MIDI destination matches %s=\"%s\"\n", midiOutVariable, wanted.c_str());
            reported = true;
        }
    }
    if (destination) {
        out_ = openDestination(*destination);
        destination_ = out_ ? destination->service + ": " + destination->name : "";
    }
    return out_ != nullptr;
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
    destination_.clear();
}

bool RtMidiOutPort::isOpen() const
{
    std::lock_guard guard(mutex_);
    return out_ != nullptr;
}

std::string RtMidiOutPort::destination() const
{
    std::lock_guard guard(mutex_);
    return destination_;
}

void RtMidiOutPort::sendShort(uint32_t message)
{
    const uint8_t status = message & 0xFF;
    const uint8_t bytes[3] = {status, static_cast<uint8_t>(message >> 8), static_cast<uint8_t>(message >> 16)};
    std::lock_guard guard(mutex_);
    if (out_ && status >= 0x80) {
        try {
            out_->sendMessage(bytes, static_cast<size_t>(shortMessageLength(message)));
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
