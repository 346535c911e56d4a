#include "song/chase_state.h"

#include "song/channel_monitor.h"
#include "song/midi_event.h"

namespace quorva {

namespace {

constexpr uint8_t dataEntryMsb = 6;
constexpr uint8_t dataEntryLsb = 38;
constexpr uint8_t dataIncrement = 96;
constexpr uint8_t dataDecrement = 97;
constexpr uint8_t nrpnLsb = 98;
constexpr uint8_t nrpnMsb = 99;
constexpr uint8_t rpnLsb = 100;
constexpr uint8_t rpnMsb = 101;
constexpr uint8_t resetAllControllers = 121;
// Selection value of the null parameter, which reset-all-controllers selects.
constexpr int16_t nullParameter = 127;

bool isReset(SysexKind kind) { return kind >= sysex::GmSystemOn && kind <= sysex::XgSystemOn; }

// Controllers that `send` restores through other means or must not repeat: bank select goes
// with the program, data entry and increments with their parameters, and the channel mode
// messages that act on notes rather than hold a value.
bool sentAsValue(int controller)
{
    switch (controller) {
    case 0:
    case 32:
    case dataEntryMsb:
    case dataEntryLsb:
    case dataIncrement:
    case dataDecrement:
    case nrpnLsb:
    case nrpnMsb:
    case rpnLsb:
    case rpnMsb:
    case 120:
    case resetAllControllers:
    case 123: return false;
    default: return true;
    }
}

void sendController(MidiPort& port, uint8_t channel, uint8_t controller, int value)
{
    port.sendShort(packShort(static_cast<uint8_t>(0xB0 + channel), controller, static_cast<uint8_t>(value)));
}

}  // namespace

void ChaseState::fold(const MidiEvent& event, PlayContext& context)
{
    ChannelMonitor& monitor = context.monitor;
    switch (event.eventClass) {
    case EventClass::Channel: {
        const auto& message = static_cast<const ShortEvent&>(event);
        if (message.variant == ShortVariant::NoteOn || message.variant == ShortVariant::NoteOff) {
            return;
        }
        message.store(monitor);
        Channel& channel = channels_[message.status() & 0x0F];
        switch (message.status() & 0xF0) {
        case 0xB0: channel.foldController(message.data1(), message.data2()); break;
        case 0xC0: channel.program = message.message; break;
        case 0xD0: channel.pressure = message.message; break;
        case 0xE0: channel.bend = message.message; break;
        default: break;  // polyphonic pressure belongs to notes, which are not struck again
        }
        return;
    }
    case EventClass::Sysex: {
        const auto& message = static_cast<const SysexEvent&>(event);
        const SysexKind kind = message.sysexKind;
        sysex_.push_back(&message);
        if (isReset(kind)) {
            (kind == sysex::GmSystemOn ? monitor.gmSeen : kind == sysex::GsReset ? monitor.gsSeen : monitor.xgSeen) = true;
            for (int channel = 0; channel < ChannelMonitor::channelCount; ++channel) {
                monitor.clearChannel(channel);
            }
            resetChannels();
        } else if (kind >= sysex::RhythmOnBase) {
            monitor.channels[kind - sysex::RhythmOnBase].rhythm = true;
        } else if (kind >= sysex::RhythmOffBase) {
            monitor.channels[kind - sysex::RhythmOffBase].rhythm = false;
        }
        return;
    }
    case EventClass::Meta:
        // Texts show the lyric and text reached; tempo and meter play nothing.
        const_cast<MidiEvent&>(event).play(context);
        return;
    }
}

bool ChaseState::hasReset() const
{
    for (const SysexEvent* message : sysex_) {
        if (isReset(message->sysexKind)) {
            return true;
        }
    }
    return false;
}

void ChaseState::resetChannels()
{
    for (Channel& channel : channels_) {
        channel = Channel();
    }
}

void ChaseState::Channel::foldController(uint8_t controller, uint8_t value)
{
    if (controller == dataEntryMsb || controller == dataEntryLsb || controller == dataIncrement || controller == dataDecrement) {
        enterData(controller, value);
        return;
    }
    if (controller == resetAllControllers) {
        for (const int reset : {1, 11, 64, 65, 66, 67}) {
            controllers[reset] = unset;
        }
        for (const int selection : {nrpnLsb, nrpnMsb, rpnLsb, rpnMsb}) {
            controllers[selection] = nullParameter;
        }
        bend = 0;
        pressure = 0;
        return;
    }
    controllers[controller] = value;
    if (controller >= nrpnLsb && controller <= rpnMsb) {
        registeredSelected = controller >= rpnLsb;
    }
}

void ChaseState::Channel::enterData(uint8_t controller, uint8_t value)
{
    const int16_t msb = controllers[registeredSelected ? rpnMsb : nrpnMsb];
    const int16_t lsb = controllers[registeredSelected ? rpnLsb : nrpnLsb];
    if (msb == unset || lsb == unset) {
        return;  // no parameter selected: a receiver ignores the data
    }
    Parameter* parameter = nullptr;
    for (Parameter& known : parameters) {
        if (known.registered == registeredSelected && known.msb == msb && known.lsb == lsb) {
            parameter = &known;
        }
    }
    if (!parameter) {
        parameter = &parameters.emplace_back(
            Parameter{registeredSelected, static_cast<uint8_t>(msb), static_cast<uint8_t>(lsb), {}});
    }
    parameter->take(controller, value);
}

void ChaseState::Parameter::take(uint8_t controller, uint8_t value)
{
    const bool entry = controller == dataEntryMsb || controller == dataEntryLsb;
    if (entry && !data.empty() && data.back()[0] == controller) {
        data.back()[1] = value;
        return;
    }
    data.push_back({controller, value});
    const size_t count = data.size();
    if (controller == dataEntryLsb && count >= 2 && data[count - 2][0] == dataEntryMsb) {
        data.erase(data.begin(), data.end() - 2);
    } else if (count > maxData) {
        data.erase(data.begin());
    }
}

void ChaseState::send(MidiPort& port, const ChannelMonitor& monitor) const
{
    for (const SysexEvent* message : sysex_) {
        port.sendLong(LongMessage{message->data, static_cast<int32_t>(message->length), message->sysexKind});
    }
    for (uint8_t channel = 0; channel < 16; ++channel) {
        channels_[channel].send(port, channel, monitor);
    }
}

void ChaseState::Channel::send(MidiPort& port, uint8_t channel, const ChannelMonitor& monitor) const
{
    for (const uint8_t bank : {uint8_t{0}, uint8_t{32}}) {
        if (controllers[bank] != unset) {
            sendController(port, channel, bank, controllers[bank]);
        }
    }
    if (program != 0) {
        port.sendShort(program);
    }
    for (int controller = 1; controller < 128; ++controller) {
        if (controller == 7 && monitor.channels[channel].muted) {
            // Muted: the volume the mirror holds, scaled, even when the song set none.
            const uint32_t volume = packShort(static_cast<uint8_t>(0xB0 + channel), 7, monitor.channels[channel].volume);
            port.sendShort(monitor.mutedVolume(channel, volume));
        } else if (controllers[controller] != unset && sentAsValue(controller)) {
            sendController(port, channel, static_cast<uint8_t>(controller), controllers[controller]);
        }
    }
    for (const Parameter& parameter : parameters) {
        sendController(port, channel, parameter.registered ? rpnMsb : nrpnMsb, parameter.msb);
        sendController(port, channel, parameter.registered ? rpnLsb : nrpnLsb, parameter.lsb);
        for (const auto& [controller, value] : parameter.data) {
            sendController(port, channel, controller, value);
        }
    }
    // The selection in force last, so that later data entries of the song reach it.
    const uint8_t first[2] = {registeredSelected ? nrpnMsb : rpnMsb, registeredSelected ? nrpnLsb : rpnLsb};
    const uint8_t last[2] = {registeredSelected ? rpnMsb : nrpnMsb, registeredSelected ? rpnLsb : nrpnLsb};
    for (const uint8_t selection : {first[0], first[1], last[0], last[1]}) {
        if (controllers[selection] != unset) {
            sendController(port, channel, selection, controllers[selection]);
        }
    }
    if (bend != 0) {
        port.sendShort(bend);
    }
    if (pressure != 0) {
        port.sendShort(pressure);
    }
}

}  // namespace quorva
