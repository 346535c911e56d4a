#include "ports/midi_mapper.h"

namespace quorva {

int chooseDestination(const std::vector<MidiDestination>& destinations, const std::string& wanted,
                      bool& wantedFound)
{
    wantedFound = false;
    if (!wanted.empty()) {
        for (size_t i = 0; i < destinations.size(); ++i) {
            if (destinations[i].name.find(wanted) != std::string::npos) {
                wantedFound = true;
                return static_cast<int>(i);
            }
        }
    }
    for (size_t i = 0; i < destinations.size(); ++i) {
        const std::string& name = destinations[i].name;
        const bool own = name.rfind(std::string(ownClientName) + ":", 0) == 0;
        if (name.find("Through") == std::string::npos && !own) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void ImmediateSynthPort::sendShort(uint32_t message)
{
    synth_->playShort(synth_->latencyClockMs(), message);
}

void ImmediateSynthPort::sendLong(const LongMessage& message)
{
    if (message.data && message.length > 0) {
        synth_->playLong(synth_->latencyClockMs(), message.data, static_cast<uint32_t>(message.length));
    }
}

bool MidiMapperPort::open()
{
    close();
    if (device_ && device_->open()) {
        route_ = Route::Device;
        deviceVolume_.store(MasterVolume::full);
        sendVolumeIfChanged();
    } else if (builtIn_ && builtIn_->open()) {
        route_ = Route::BuiltIn;
    }
    return route_ != Route::None;
}

void MidiMapperPort::close()
{
    if (device_) {
        device_->close();
    }
    if (builtIn_) {
        builtIn_->close();
    }
    route_ = Route::None;
}

void MidiMapperPort::sendShort(uint32_t message)
{
    sendVolumeIfChanged();
    current().sendShort(message);
}

void MidiMapperPort::sendLong(const LongMessage& message)
{
    sendVolumeIfChanged();
    current().sendLong(message);
    if (route_ == Route::Device && isDeviceReset(message.data, message.length)) {
        deviceVolume_.store(MasterVolume::full);
        sendVolumeIfChanged();
    }
}

void MidiMapperPort::sendVolumeIfChanged()
{
    if (route_ != Route::Device || !volume_) {
        return;
    }
    const int32_t percent = volume_->percent();
    if (deviceVolume_.exchange(percent) != percent) {
        const auto bytes = masterVolumeSysex(percent);
        device_->sendLong({bytes.data(), static_cast<int32_t>(bytes.size())});
    }
}

MidiPort& MidiMapperPort::current()
{
    switch (route_) {
    case Route::Device: return *device_;
    case Route::BuiltIn: return *builtIn_;
    case Route::None: break;
    }
    return silent_;
}

}  // namespace quorva
