#pragma once
#include "app/player_config.h"

namespace quorva {

class MasterVolume;
class PlaylistPlayer;

namespace playerMemoryKeys {
inline constexpr const char* volume = "volume";
inline constexpr const char* repeat = "repeat";
}  // namespace playerMemoryKeys

// The player's choices kept between runs in player.conf: the master volume and the
// playlist's repeat mode. A missing or malformed value leaves the default (100 %, off).
class PlayerMemory {
public:
    PlayerMemory(MasterVolume& volume, PlaylistPlayer& playlist) : volume_(volume), playlist_(playlist) {}

    void restore(const PlayerConfig& config);
    // True when the configuration changed and needs writing.
    bool remember(PlayerConfig& config) const;

private:
    MasterVolume& volume_;
    PlaylistPlayer& playlist_;
};

}  // namespace quorva
