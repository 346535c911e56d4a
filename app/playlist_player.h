#pragma once
#include "app/playlist.h"

#include <string>
#include <vector>

namespace quorva {

class MainWindow;
class Sequencer;
class SongLoader;

// Plays a playlist through the sequencer: opens songs from every source (command line,
// drop, hand-off, control requests), moves to the next or previous song on request and when
// a song ends, and skips a song that cannot be loaded (its load says why). With a song loader
// the songs load on its thread while the song before plays on, and the skipping goes on from
// frame to frame. Main thread only.
class PlaylistPlayer {
public:
    PlaylistPlayer(Sequencer& sequencer, MainWindow& window) : sequencer_(sequencer), window_(window) {}

    // Loads through the loader from now on; without one (the default) a song loads at once.
    void setLoader(SongLoader* loader) { loader_ = loader; }

    // Replaces the list with these songs (a folder stands for its songs) and plays the first
    // that loads.
    void open(const std::vector<std::string>& paths);
    // Adds songs at the end; a player that has nothing to play starts the first of them. While
    // a hand-off waits for the next frame, they join it instead.
    void enqueue(const std::vector<std::string>& paths);
    // The next (previous) song that loads, in play order. False when there is none; with a
    // loader, true when one is loading.
    bool next();
    bool previous();
    void cycleRepeat() { playlist_.cycleRepeat(); }
    void setRepeat(RepeatMode mode) { playlist_.setRepeat(mode); }
    void setShuffle(bool on) { playlist_.setShuffle(on); }

    // Once a frame: takes the files that arrived through the window, plays a song the loader
    // has loaded (or tries the next), and goes on after a song that played to its end.
    void frame();

    const Playlist& playlist() const { return playlist_; }
    Playlist& playlist() { return playlist_; }
    // "03/12 REP-ALL" (repeat: REP-OFF, REP-ONE, REP-ALL); empty without a list.
    std::string positionText() const;

private:
    enum class Direction : uint8_t { Forward, Backward };
    // Plays the current song, or the first after it (in the direction) that loads.
    bool playCurrentOrSkip(Direction direction);
    // Tries the songs from the current one on while they fail at once; true when one plays or
    // loads on the loader's thread.
    bool tryFromCurrent();
    // After the loader's song failed: the next in the direction, while songs are left to try.
    void skipFailedLoad();
    bool loading() const;
    bool songEnded() const;

    Sequencer& sequencer_;
    MainWindow& window_;
    Playlist playlist_;
    bool endSeen_ = false;
    SongLoader* loader_ = nullptr;
    Direction skipDirection_ = Direction::Forward;
    size_t triesLeft_ = 0;  // songs still to try, each at most once, so that a list that all fails ends
};

}  // namespace quorva
