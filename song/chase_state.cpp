#include "song/chase_state.h"

#include "song/channel_monitor.h"
#include "song/midi_event.h"

#include <algorithm>

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

constexpr uint16_t everyChannel = 0xFFFF;

// Whether the addresses [low, low + count) lie in [first, end).
bool within(uint32_t low, uint32_t count, uint32_t first, uint32_t end) { return low >= first && low + count <= end; }

bool covers(uint32_t low, uint32_t count, uint32_t address) { return low <= address && address < low + count; }

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
        case 0xC0: channel.program = {message.message, channel.gap}; break;
        case 0xD0: channel.pressure = {message.message, channel.gap}; break;
        case 0xE0: channel.bend = {message.message, channel.gap}; break;
        default: break;  // polyphonic pressure belongs to notes, which are not struck again
        }
        return;
    }
    case EventClass::Sysex: {
        const auto& message = static_cast<const SysexEvent&>(event);
        const SysexKind kind = message.sysexKind;
        sysex_.push_back(&message);
        const auto gap = static_cast<uint32_t>(sysex_.size());
        if (isReset(kind)) {
            (kind == sysex::GmSystemOn ? monitor.gmSeen : kind == sysex::GsReset ? monitor.gsSeen : monitor.xgSeen) = true;
            for (int channel = 0; channel < ChannelMonitor::channelCount; ++channel) {
                monitor.clearChannel(channel);
            }
            for (Channel& channel : channels_) {
                channel = Channel();
                channel.gap = gap;
                channel.resetGap = gap;
            }
            partsMoved_ = false;
            return;
        }
        if (kind >= sysex::RhythmOnBase) {
            monitor.channels[kind - sysex::RhythmOnBase].rhythm = true;
        } else if (kind >= sysex::RhythmOffBase) {
            monitor.channels[kind - sysex::RhythmOffBase].rhythm = false;
        }
        const uint16_t reached = reach(message);
        for (int channel = 0; channel < 16; ++channel) {
            if (reached >> channel & 1) {
                channels_[channel].gap = gap;
            }
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

uint16_t ChaseState::reach(const SysexEvent& message)
{
    const uint8_t* data = message.data;
    const uint32_t length = message.length;
    if (length < 8 || data[0] != 0xF0 || data[length - 1] != 0xF7) {
        return everyChannel;
    }
    // Universal real-time device control: master volume, balance, fine and coarse tuning.
    if (length == 8 && data[1] == 0x7F && data[3] == 0x04 && data[4] >= 0x01 && data[4] <= 0x04) {
        return 0;
    }
    // GS data set: F0 41 device 42 12, the address 40 hh ll, the data, a checksum, F7.
    if (length >= 11 && data[1] == 0x41 && data[3] == 0x42 && data[4] == 0x12 && data[5] == 0x40) {
        const uint32_t count = length - 10;
        const uint8_t area = data[6];
        const uint8_t low = data[7];
        if ((area == 0x00 && within(low, count, 0x00, 0x07)) || (area == 0x01 && within(low, count, 0x00, 0x80))) {
            return 0;  // master tuning, volume, key shift and pan; reverb, chorus and voice reserve
        }
        if ((area >> 4 == 1 || area >> 4 == 2) && within(low, count, 0x00, 0x80)) {
            // A part's parameters. Part 10 is block 0, parts 1-9 blocks 1-9, parts 11-16 the rest.
            partsMoved_ = partsMoved_ || (area >> 4 == 1 && covers(low, count, 0x02));  // receive channel
            const int block = area & 0x0F;
            return partsMoved_ ? everyChannel : static_cast<uint16_t>(1u << (block == 0 ? 9 : block <= 9 ? block - 1 : block));
        }
        return everyChannel;
    }
    // XG parameter change: F0 43 1n 4C, the address hh mm ll, the data, F7.
    if (length >= 9 && data[1] == 0x43 && (data[2] & 0xF0) == 0x10 && data[3] == 0x4C) {
        const uint32_t count = length - 8;
        if (data[4] == 0x00 && data[5] == 0x00 && within(data[6], count, 0x00, 0x07)) {
            return 0;  // master tuning, volume, attenuator and transpose
        }
        if (data[4] == 0x08 && data[5] < 16 && within(data[6], count, 0x00, 0x80)) {
            partsMoved_ = partsMoved_ || covers(data[6], count, 0x04);  // receive channel
            return partsMoved_ ? everyChannel : static_cast<uint16_t>(1u << data[5]);
        }
    }
    return everyChannel;
}

void ChaseState::Channel::foldController(uint8_t controller, uint8_t value)
{
    if (controller == dataEntryMsb || controller == dataEntryLsb || controller == dataIncrement || controller == dataDecrement) {
        enterData(controller, value);
        return;
    }
    if (controller == resetAllControllers) {
        for (const int reset : {1, 11, 64, 65, 66, 67}) {
            controllers[reset] = Value{};
        }
        for (const int selection : {nrpnLsb, nrpnMsb, rpnLsb, rpnMsb}) {
            controllers[selection] = {nullParameter, gap};
        }
        bend = Message{};
        pressure = Message{};
        if (gap > resetGap) {
            allControllersReset = gap;  // undoes what a message before it may have set
        }
        return;
    }
    controllers[controller] = {value, gap};
    if (controller >= nrpnLsb && controller <= rpnMsb) {
        registeredSelected = controller >= rpnLsb;
    }
}

void ChaseState::Channel::enterData(uint8_t controller, uint8_t value)
{
    const int16_t msb = controllers[registeredSelected ? rpnMsb : nrpnMsb].value;
    const int16_t lsb = controllers[registeredSelected ? rpnLsb : nrpnLsb].value;
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
    parameter->take(controller, value, gap);
}

void ChaseState::Parameter::take(uint8_t controller, uint8_t value, uint32_t gap)
{
    const bool entry = controller == dataEntryMsb || controller == dataEntryLsb;
    if (entry && !data.empty() && data.back().controller == controller && data.back().gap == gap) {
        data.back().value = value;
        return;
    }
    data.push_back({controller, value, gap});
    const size_t count = data.size();
    if (controller == dataEntryLsb && count >= 2 && data[count - 2].controller == dataEntryMsb) {
        data.erase(data.begin(), data.end() - 2);
    } else if (count > maxData) {
        data.erase(data.begin());
    }
}

void ChaseState::send(MidiPort& port, const ChannelMonitor& monitor) const
{
    const auto lastGap = static_cast<uint32_t>(sysex_.size());
    std::vector<Outgoing> out;
    for (uint8_t channel = 0; channel < 16; ++channel) {
        channels_[channel].collect(channel, monitor, lastGap, out);
    }
    std::stable_sort(out.begin(), out.end(), [](const Outgoing& a, const Outgoing& b) { return a.gap < b.gap; });
    auto next = out.begin();
    for (uint32_t gap = 0; gap <= lastGap; ++gap) {
        for (; next != out.end() && next->gap == gap; ++next) {
            port.sendShort(next->message);
        }
        if (gap < lastGap) {
            const SysexEvent& message = *sysex_[gap];
            port.sendLong(LongMessage{message.data, static_cast<int32_t>(message.length), message.sysexKind});
        }
    }
}

void ChaseState::Channel::collect(uint8_t channel, const ChannelMonitor& monitor, uint32_t lastGap,
                                  std::vector<Outgoing>& out) const
{
    const auto status = static_cast<uint8_t>(0xB0 + channel);
    const auto controller = [&](uint32_t at, uint8_t number, int value) {
        out.push_back({at, packShort(status, number, static_cast<uint8_t>(value))});
    };
    if (allControllersReset) {
        controller(*allControllersReset, resetAllControllers, 0);
    }
    for (const uint8_t bank : {uint8_t{0}, uint8_t{32}}) {
        if (controllers[bank].value != unset) {
            controller(controllers[bank].gap, bank, controllers[bank].value);
        }
    }
    if (program.message != 0) {
        out.push_back({program.gap, program.message});
    }
    for (int number = 1; number < 128; ++number) {
        const Value& folded = controllers[number];
        if (number == 7 && monitor.channels[channel].muted) {
            // Muted: the volume the mirror holds, scaled, even when the song set none.
            const uint32_t volume = packShort(status, 7, monitor.channels[channel].volume);
            out.push_back({folded.value != unset ? folded.gap : resetGap, monitor.mutedVolume(channel, volume)});
        } else if (folded.value != unset && sentAsValue(number)) {
            controller(folded.gap, static_cast<uint8_t>(number), folded.value);
        }
    }
    for (const Parameter& parameter : parameters) {
        for (size_t i = 0; i < parameter.data.size(); ++i) {
            const Parameter::Data& data = parameter.data[i];
            if (i == 0 || parameter.data[i - 1].gap != data.gap) {
                controller(data.gap, parameter.registered ? rpnMsb : nrpnMsb, parameter.msb);
                controller(data.gap, parameter.registered ? rpnLsb : nrpnLsb, parameter.lsb);
            }
            controller(data.gap, data.controller, data.value);
        }
    }
    // The selection in force last, so that later data entries of the song reach it.
    const uint8_t first[2] = {registeredSelected ? nrpnMsb : rpnMsb, registeredSelected ? nrpnLsb : rpnLsb};
    const uint8_t last[2] = {registeredSelected ? rpnMsb : nrpnMsb, registeredSelected ? rpnLsb : nrpnLsb};
    for (const uint8_t selection : {first[0], first[1], last[0], last[1]}) {
        if (controllers[selection].value != unset) {
            controller(lastGap, selection, controllers[selection].value);
        }
    }
    if (bend.message != 0) {
        out.push_back({bend.gap, bend.message});
    }
    if (pressure.message != 0) {
        out.push_back({pressure.gap, pressure.message});
    }
}

}  // namespace quorva
