#pragma once
// The songs the player goes through one after another: their order (as given, or shuffled),
// where it stands, and what comes after a song that ended under each repeat mode.
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace quorva {

enum class RepeatMode : uint8_t { Off, One, All };

// "off", "one", "all": the names player.conf and the control requests use.
std::string_view repeatName(RepeatMode mode);
std::optional<RepeatMode> repeatNamed(std::string_view name);

// Names in natural order: runs of digits compare by their value ("2.mid" before "10.mid"),
// everything else byte by byte, letters without regard to case; equal names fall back to
// plain byte order, so the order is total.
bool naturalLess(std::string_view a, std::string_view b);
// A name ending in .mid, .midi, .kar or .smf, in any case.
bool isSongFileName(std::string_view name);
// The songs of a folder (not of its sub-folders), in natural order of their names.
std::vector<std::string> songsInFolder(const std::string& folder);
// Each path as it stands, a folder replaced by its songs (one without songs stays as it is).
std::vector<std::string> expandFolders(const std::vector<std::string>& paths);

class Playlist {
public:
    // Replaces the songs; the first of them (in play order) is the current one.
    void replace(std::vector<std::string> songs);
    void append(const std::vector<std::string>& songs);

    bool empty() const { return songs_.empty(); }
    size_t size() const { return songs_.size(); }
    // The current song's path; empty for an empty list.
    const std::string& current() const;
    // 1-based place of the current song in play order; 0 for an empty list.
    size_t position() const { return songs_.empty() ? 0 : at_ + 1; }

    // Moves to the next (previous) song in play order: past the end (start) only with
    // repeat all, where it wraps. False, and nothing moved, when there is none.
    bool next();
    bool previous();
    bool hasNext() const;
    bool hasPrevious() const;
    // After the current song played to its end: true when a song is to play (the same one
    // again with repeat one, else the next), with the list moved to it.
    bool advanceAfterEnd();

    RepeatMode repeat() const { return repeat_; }
    void setRepeat(RepeatMode mode) { repeat_ = mode; }
    // off -> all -> one -> off
    void cycleRepeat();
    bool shuffle() const { return shuffle_; }
    // Shuffled, the current song stays current and the others follow in a random order.
    void setShuffle(bool on);
    void seed(uint32_t value) { random_.seed(value); }

private:
    void shuffleAfterCurrent();

    std::vector<std::string> songs_;
    std::vector<size_t> order_;  // play order: indices into songs_
    size_t at_ = 0;              // index into order_
    RepeatMode repeat_ = RepeatMode::Off;
    bool shuffle_ = false;
    std::mt19937 random_{std::random_device{}()};
};

}  // namespace quorva
