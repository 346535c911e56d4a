#include "platform/rtmidi_port.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>
#include <rtmidi/RtMidi.h>

#include "ports/midi_port.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace quorva {

// Tells whether an opened destination has left its service; main thread.
class DestinationWatch {
public:
    virtual ~DestinationWatch() = default;
    virtual bool gone() = 0;
    // Whether the whole service ended (a JACK server that died); any thread.
    virtual bool serviceEnded() const { return false; }
};

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

// An error while a send runs means the send failed; others (opening, closing) are told by
// the results.
void noteSendError(RtMidiError::Type, const std::string&, void* errors)
{
    auto& sendErrors = *static_cast<RtMidiOutPort::SendErrors*>(errors);
    if (sendErrors.sending) {
        sendErrors.failed.store(true);
    }
}

// The JACK graph as a client of its own sees it: told when the server shuts down or a port
// leaves. The destination is looked up only after a port left.
class JackWatch final : public DestinationWatch {
public:
    explicit JackWatch(std::string port) : port_(std::move(port)) {}
    ~JackWatch() override
    {
        if (client_) {
            jack_client_close(client_);
        }
    }

    bool start()
    {
        silenceLibraries();
        jack_status_t status{};
        client_ = jack_client_open(ownClientName, JackNoStartServer, &status);
        if (!client_) {
            return false;
        }
        jack_on_shutdown(client_, &JackWatch::serverEnded, this);
        jack_set_port_registration_callback(client_, &JackWatch::portChanged, this);
        return jack_activate(client_) == 0;
    }

    bool gone() override
    {
        if (!gone_.load() && portsChanged_.exchange(false) && !jack_port_by_name(client_, port_.c_str())) {
            gone_.store(true);
        }
        return gone_.load();
    }

    bool serviceEnded() const override { return serverEnded_.load(); }

private:
    static void serverEnded(void* self)
    {
        auto& watch = *static_cast<JackWatch*>(self);
        watch.serverEnded_.store(true);
        watch.gone_.store(true);
    }
    static void portChanged(jack_port_id_t, int registered, void* self)
    {
        if (!registered) {
            static_cast<JackWatch*>(self)->portsChanged_.store(true);
        }
    }

    std::string port_;
    jack_client_t* client_ = nullptr;
    std::atomic<bool> gone_{false};
    std::atomic<bool> portsChanged_{false};
    std::atomic<bool> serverEnded_{false};
};

// The ALSA sequencer asked whether the destination's client and port still exist. RtMidi
// names an ALSA port "client name:port name C:P"; the numbers say which.
class AlsaWatch final : public DestinationWatch {
public:
    ~AlsaWatch() override
    {
        if (sequencer_) {
            snd_seq_close(sequencer_);
        }
    }

    bool start(const std::string& name)
    {
        const size_t space = name.find_last_of(' ');
        if (space == std::string::npos || std::sscanf(name.c_str() + space + 1, "%d:%d", &client_, &port_) != 2) {
            return false;
        }
        silenceLibraries();
        return snd_seq_open(&sequencer_, "default", SND_SEQ_OPEN_OUTPUT, SND_SEQ_NONBLOCK) >= 0;
    }

    bool gone() override
    {
        if (!gone_) {
            snd_seq_port_info_t* info = nullptr;
            snd_seq_port_info_alloca(&info);
            gone_ = snd_seq_get_any_port_info(sequencer_, client_, port_, info) < 0;
        }
        return gone_;
    }

private:
    snd_seq_t* sequencer_ = nullptr;
    int client_ = -1;
    int port_ = -1;
    bool gone_ = false;
};

std::unique_ptr<DestinationWatch> watchDestination(const MidiDestination& destination)
{
    if (destination.service == "jack") {
        auto watch = std::make_unique<JackWatch>(destination.name);
        return watch->start() ? std::move(watch) : nullptr;
    }
    auto watch = std::make_unique<AlsaWatch>();
    return watch->start(destination.name) ? std::move(watch) : nullptr;
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

RtMidiOutPort::RtMidiOutPort(bool tellsUnmatchedName) : tellsUnmatchedName_(tellsUnmatchedName) {}

RtMidiOutPort::~RtMidiOutPort() { close(); }

bool RtMidiOutPort::open()
{
    std::lock_guard guard(mutex_);
    out_.reset();
    std::string wanted;
    bool wantedFound = false;
    const auto destination = chosenMidiDestination(wanted, wantedFound);
    if (!wanted.empty() && !wantedFound && tellsUnmatchedName_) {
        static bool reported = false;
        if (!reported) {
            std::fprintf(stderr, "quorva: no MIDI destination matches %s=\"%s\"\n", midiOutVariable, wanted.c_str());
            reported = true;
        }
    }
    firstChoice_ = wanted.empty() || wantedFound;
    errors_.failed.store(false);
    if (destination) {
        out_ = openDestination(*destination);
        destination_ = out_ ? destination->service + ": " + destination->name : "";
    }
    if (out_) {
        out_->setErrorCallback(&noteSendError, &errors_);
        // Without a watch only a failed send tells of a lost destination.
        watch_ = watchDestination(*destination);
    }
    return out_ != nullptr;
}

void RtMidiOutPort::close()
{
    std::lock_guard guard(mutex_);
    if (watch_ && watch_->serviceEnded()) {
        // libjack crashes when a client whose server died unregisters a port or closes, as
        // RtMidi and the watch do on closing; such clients are left as they are (their
        // threads ended with the server), a few hundred bytes each time a server dies.
        static_cast<void>(out_.release());
        static_cast<void>(watch_.release());
    }
    if (out_) {
        try {
            out_->closePort();
        } catch (const RtMidiError&) {
        }
        out_.reset();
    }
    watch_.reset();
    destination_.clear();
}

bool RtMidiOutPort::lost() const
{
    if (errors_.failed.load()) {
        return true;
    }
    std::lock_guard guard(mutex_);
    return watch_ && watch_->gone();
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
    if (status >= 0x80) {
        send(bytes, static_cast<size_t>(shortMessageLength(message)));
    }
}

void RtMidiOutPort::sendLong(const LongMessage& message)
{
    // RtMidi sends the bytes before it returns, so the caller's buffer needs no copy.
    if (message.data && message.length > 0) {
        send(message.data, static_cast<size_t>(message.length));
    }
}

void RtMidiOutPort::send(const uint8_t* bytes, size_t count)
{
    std::lock_guard guard(mutex_);
    if (!out_) {
        return;
    }
    errors_.sending = true;
    try {
        out_->sendMessage(bytes, count);
    } catch (const RtMidiError&) {
        errors_.failed.store(true);
    }
    errors_.sending = false;
}

}  // namespace quorva
