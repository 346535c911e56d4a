#include "app/player_memory.h"

#include "app/playlist_player.h"
#include "ports/master_volume.h"

#include <string>

namespace quorva {

namespace {

int32_t rememberedVolume(const PlayerConfig& config)
{
    return config.number(playerMemoryKeys::volume, 0, MasterVolume::full).value_or(MasterVolume::full);
}

RepeatMode rememberedRepeat(const PlayerConfig& config)
{
    const auto name = config.value(playerMemoryKeys::repeat);
    return name ? repeatNamed(*name).value_or(RepeatMode::Off) : RepeatMode::Off;
}

}  // namespace

void PlayerMemory::restore(const PlayerConfig& config)
{
    volume_.set(rememberedVolume(config));
    playlist_.setRepeat(rememberedRepeat(config));
}

bool PlayerMemory::remember(PlayerConfig& config) const
{
    bool changed = false;
    if (const int32_t percent = volume_.percent(); percent != rememberedVolume(config)) {
        changed = config.set(playerMemoryKeys::volume, std::to_string(percent)) || changed;
    }
    if (const RepeatMode repeat = playlist_.playlist().repeat(); repeat != rememberedRepeat(config)) {
        changed = config.set(playerMemoryKeys::repeat, std::string(repeatName(repeat))) || changed;
    }
    return changed;
}

}  // namespace quorva
