#pragma once
#include "song/song_load_error.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace quorva {

class ChannelMonitor;

// The line that says why a song cannot be played: quorva: cannot play "PATH": REASON
std::string cannotPlayLine(std::string_view path, SongLoadError error);

// What the player does when a song from anywhere (command line, drop, hand-off, control
// request, media keys) cannot be loaded: it says why on standard error, and clears the
// channel rows and lamps the previous song left, as the song itself is gone. The screen
// shows the reason from the song (`SmfFile::loadError`).
class SongFailureReport final : public SongLoadObserver {
public:
    SongFailureReport(ChannelMonitor& monitor, std::FILE* errors) : monitor_(monitor), errors_(errors) {}
    void songNotLoaded(std::string_view path, SongLoadError error) override;

private:
    ChannelMonitor& monitor_;
    std::FILE* errors_;
};

}  // namespace quorva
