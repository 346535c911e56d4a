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
    std::lock_guard guard(routeLock_);
    if (device_ && device_->open()) {
        route_ = Route::Device;
        deviceVolume_ = MasterVolume::full;
        sendVolumeIfChanged();
    } else if (builtIn_ && builtIn_->open()) {
        route_ = Route::BuiltIn;
    }
    freshlyOpened_ = true;
    onFallback_ = route_ != Route::Device || !device_->firstChoice();
    return route_ != Route::None;
}

void MidiMapperPort::close()
{
    // A choice under way finishes first; what it opened is closed with the rest.
    worker_.drain();
    {
        std::lock_guard guard(chosenLock_);
        if (chosen_ && chosen_->device) {
            chosen_->device->close();
        }
        chosen_.reset();
    }
    choosing_ = false;
    std::lock_guard guard(routeLock_);
    if (device_) {
        device_->close();
    }
    if (builtIn_) {
        builtIn_->close();
    }
    route_ = Route::None;
}

MidiMapperPort::Route MidiMapperPort::route() const
{
    std::lock_guard guard(routeLock_);
    return route_;
}

std::string MidiMapperPort::outputName() const
{
    std::lock_guard guard(routeLock_);
    switch (route_) {
    case Route::Device: return device_->outputName();
    case Route::BuiltIn: return builtIn_->outputName();
    case Route::None: break;
    }
    return {};
}

void MidiMapperPort::resetClock()
{
    std::lock_guard guard(routeLock_);
    current().resetClock();
}

void MidiMapperPort::sendShort(uint32_t message)
{
    std::lock_guard guard(routeLock_);
    sendVolumeIfChanged();
    current().sendShort(message);
}

void MidiMapperPort::sendLong(const LongMessage& message)
{
    std::lock_guard guard(routeLock_);
    sendVolumeIfChanged();
    current().sendLong(message);
    if (route_ == Route::Device && isDeviceReset(message.data, message.length)) {
        deviceVolume_ = MasterVolume::full;
        sendVolumeIfChanged();
    }
}

void MidiMapperPort::sendVolumeIfChanged()
{
    if (route_ != Route::Device || !volume_) {
        return;
    }
    const int32_t percent = volume_->percent();
    if (deviceVolume_ != percent) {
        deviceVolume_ = percent;
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

std::optional<PortReport> MidiMapperPort::maintain(uint32_t nowMs)
{
    freshlyOpened_ = false;
    if (choosing_) {
        std::optional<Choice> finished;
        {
            std::lock_guard guard(chosenLock_);
            finished.swap(chosen_);
        }
        if (!finished) {
            return std::nullopt;
        }
        choosing_ = false;
        if (finished->route != Route::None || finished->reason == Reason::Lost) {
            return install(std::move(*finished));
        }
    }
    const Route route = this->route();
    if (route == Route::Device && device_->lost()) {
        startChoice(Reason::Lost);
        return std::nullopt;
    }
    if (route == Route::BuiltIn) {
        return builtIn_->maintain(nowMs);
    }
    return std::nullopt;
}

void MidiMapperPort::songStarting()
{
    if (!freshlyOpened_ && onFallback_ && !choosing_ && makeDevice_) {
        startChoice(Reason::NewSong);
    }
}

void MidiMapperPort::startChoice(Reason reason)
{
    choosing_ = true;
    const std::string currentName = outputName();
    const Route currentRoute = route();
    worker_.post([this, reason, currentName, currentRoute] {
        Choice choice = choose(reason, currentName, currentRoute);
        std::lock_guard guard(chosenLock_);
        chosen_ = std::move(choice);
    });
}

MidiMapperPort::Choice MidiMapperPort::choose(Reason reason, const std::string& currentName, Route currentRoute)
{
    Choice choice;
    choice.reason = reason;
    choice.lostName = currentName;
    if (makeDevice_) {
        if (auto fresh = makeDevice_(); fresh && fresh->open()) {
            // A new song moves only to another destination than the one it plays on.
            if (reason == Reason::Lost || currentRoute != Route::Device || fresh->outputName() != currentName) {
                choice.route = Route::Device;
                choice.device = std::move(fresh);
                return choice;
            }
            fresh->close();
        }
    }
    const bool builtInWanted = reason == Reason::Lost || currentRoute == Route::None;
    if (builtInWanted && currentRoute != Route::BuiltIn && builtIn_ && builtIn_->open()) {
        choice.route = Route::BuiltIn;
    }
    return choice;
}

PortReport MidiMapperPort::install(Choice choice)
{
    std::unique_ptr<MidiPort> replaced;
    bool builtInReplaced = false;
    {
        std::lock_guard guard(routeLock_);
        builtInReplaced = route_ == Route::BuiltIn && choice.route != Route::BuiltIn;
        if (choice.route == Route::Device || route_ == Route::Device) {
            replaced = std::move(device_);
        }
        if (choice.route == Route::Device) {
            device_ = std::move(choice.device);
            deviceVolume_ = MasterVolume::full;
        }
        route_ = choice.route;
        sendVolumeIfChanged();
    }
    dispose(std::move(replaced));
    if (builtInReplaced) {
        worker_.post([this] { builtIn_->close(); });
    }
    onFallback_ = choice.reason == Reason::Lost || route_ != Route::Device || !device_->firstChoice();

    PortReport report;
    report.needsChase = true;
    const std::string now = outputName();
    const std::string quotedNow = route_ == Route::Device ? "\"" + now + "\"" : now;
    if (choice.reason == Reason::NewSong) {
        report.message = route_ == Route::Device ? "MIDI output " + quotedNow + " found: playing on it" : "playing on " + now;
    } else if (route_ == Route::None) {
        report.message = "MIDI output \"" + choice.lostName + "\" is gone, and nothing else can play";
    } else {
        report.message = "MIDI output \"" + choice.lostName + "\" is gone: playing on " + quotedNow;
    }
    return report;
}

void MidiMapperPort::dispose(std::unique_ptr<MidiPort> port)
{
    if (!port) {
        return;
    }
    // std::function copies its target, so the port travels in a shared pointer.
    std::shared_ptr<MidiPort> shared = std::move(port);
    worker_.post([shared] { shared->close(); });
}

}  // namespace quorva
