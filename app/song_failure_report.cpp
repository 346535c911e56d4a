#include "app/song_failure_report.h"

#include "song/channel_monitor.h"

namespace quorva {

std::string cannotPlayLine(std::string_view path, SongLoadError error)
{
    // Control bytes of a name (a line break, a terminal escape) would break the one line.
    std::string shown(path);
    for (char& c : shown) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            c = '?';
        }
    }
    return "quorva: cannot play \"" + shown + "\": " + std::string(songLoadReason(error));
}

void SongFailureReport::songNotLoaded(std::string_view path, SongLoadError error)
{
    const std::string line = cannotPlayLine(path, error) + "\n";
    std::fputs(line.c_str(), errors_);
    std::fflush(errors_);
    monitor_.resetAllChannels();
    monitor_.gmSeen = false;
    monitor_.gsSeen = false;
    monitor_.xgSeen = false;
}

}  // namespace quorva
