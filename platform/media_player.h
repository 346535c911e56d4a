#pragma once
// What desktop media controls (media keys, panel applets) see of the player and may ask of it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quorva {

enum class PlaybackStatus : uint8_t { Stopped, Playing, Paused };
// What plays again: nothing, the song, the whole list.
enum class LoopStatus : uint8_t { None, Track, Playlist };

struct NowPlaying {
    PlaybackStatus status = PlaybackStatus::Stopped;
    bool hasSong = false;
    std::string path;   // absolute path of the loaded song
    std::string title;  // UTF-8: the song's title text, else its file name
    int64_t lengthUs = 0;
    int64_t positionUs = 0;
    size_t playlistPosition = 0;  // 1-based; 0 without a playlist
    size_t playlistLength = 0;
    bool canGoNext = false;
    bool canGoPrevious = false;
    LoopStatus loop = LoopStatus::None;
    bool shuffle = false;
    int32_t volumePercent = 100;  // the master volume
    uint32_t seekCount = 0;       // moves on with every seek, whatever asked for it
    bool operator==(const NowPlaying&) const = default;
};

class MediaPlayerTarget {
public:
    virtual ~MediaPlayerTarget() = default;
    virtual NowPlaying nowPlaying() const = 0;
    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void playPause() = 0;
    virtual void stop() = 0;
    // Moves playback to a point of the song (microseconds from its start); see Sequencer::seekToMs.
    virtual void seekTo(int64_t positionUs) = 0;
    // Stops, loads and plays the file at once; a file that cannot be loaded leaves the player idle.
    virtual void openPath(std::string_view path) = 0;
    // The playlist; a player without one ignores these.
    virtual void next() {}
    virtual void previous() {}
    virtual void setLoop(LoopStatus) {}
    virtual void setShuffle(bool) {}
    // The master volume, clamped to 0..100 %; a player without one ignores it.
    virtual void setVolume(int32_t /*percent*/) {}
};

}  // namespace quorva
