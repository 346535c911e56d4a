#include "app/playlist_player.h"

#include "app/main_window.h"
#include "app/song_loader.h"
#include "song/sequencer.h"
#include "song/smf_file.h"

#include <cstdio>
#include <optional>

namespace quorva {

void PlaylistPlayer::open(const std::vector<std::string>& paths)
{
    playlist_.replace(expandFolders(paths));
    playCurrentOrSkip(Direction::Forward);
}

void PlaylistPlayer::enqueue(const std::vector<std::string>& paths)
{
    if (window_.filePending()) {
        for (const std::string& path : paths) {
            window_.addPendingPath(path);
        }
        return;
    }
    const bool startNow = playlist_.empty() || (sequencer_.state() == PlayState::Idle && !loading());
    const size_t first = playlist_.size();
    playlist_.append(expandFolders(paths));
    if (startNow && playlist_.size() > first) {
        if (first > 0) {
            while (playlist_.position() != first + 1 && playlist_.next()) {
            }
        }
        playCurrentOrSkip(Direction::Forward);
    }
}

bool PlaylistPlayer::next()
{
    return playlist_.next() && playCurrentOrSkip(Direction::Forward);
}

bool PlaylistPlayer::previous()
{
    return playlist_.previous() && playCurrentOrSkip(Direction::Backward);
}

bool PlaylistPlayer::playCurrentOrSkip(Direction direction)
{
    skipDirection_ = direction;
    triesLeft_ = playlist_.size();
    return tryFromCurrent();
}

bool PlaylistPlayer::tryFromCurrent()
{
    for (; triesLeft_ > 0; --triesLeft_) {
        const std::optional<bool> loaded =
            loader_ != nullptr ? loader_->load(playlist_.current()) : sequencer_.loadAndPlay(playlist_.current());
        if (!loaded || *loaded) {
            endSeen_ = false;
            return true;
        }
        const bool moved = skipDirection_ == Direction::Forward ? playlist_.next() : playlist_.previous();
        if (!moved) {
            break;
        }
    }
    triesLeft_ = 0;
    return false;
}

void PlaylistPlayer::skipFailedLoad()
{
    if (triesLeft_ > 1) {
        --triesLeft_;
        if (skipDirection_ == Direction::Forward ? playlist_.next() : playlist_.previous()) {
            tryFromCurrent();
        }
    }
}

bool PlaylistPlayer::loading() const { return loader_ != nullptr && loader_->loading(); }

bool PlaylistPlayer::songEnded() const
{
    // The tick that passes the end publishes that position before it stops; a stop asked
    // for earlier leaves the position inside the song, and a new play starts it at 0.
    const SmfFile& song = sequencer_.song();
    return sequencer_.state() == PlayState::Stopped && song.loaded() && sequencer_.position() > song.endTick();
}

void PlaylistPlayer::frame()
{
    if (window_.filePending()) {
        open(window_.pendingPaths());
    }
    if (loader_ != nullptr) {
        if (const auto loaded = loader_->finish(); loaded && !*loaded) {
            skipFailedLoad();
        }
        if (loader_->loading()) {
            return;  // the song before plays on; its end waits for the next song
        }
    }
    const bool ended = songEnded();
    if (ended && !endSeen_ && !playlist_.empty()) {
        if (playlist_.repeat() == RepeatMode::One) {
            sequencer_.play();
        } else if (playlist_.advanceAfterEnd()) {
            playCurrentOrSkip(Direction::Forward);
        }
    }
    endSeen_ = ended;
}

std::string PlaylistPlayer::positionText() const
{
    if (playlist_.empty()) {
        return {};
    }
    static constexpr const char* names[] = {"REP-OFF", "REP-ONE", "REP-ALL"};
    char text[48];
    std::snprintf(text, sizeof text, "%02zu/%02zu %s", playlist_.position(), playlist_.size(),
                  names[static_cast<size_t>(playlist_.repeat())]);
    return text;
}

}  // namespace quorva
