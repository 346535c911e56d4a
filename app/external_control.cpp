#include "app/external_control.h"

#include "app/main_window.h"
#include "app/playlist_player.h"
#include "ports/master_volume.h"
#include "song/sequencer.h"
#include "song/smf_file.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

namespace quorva {

namespace {

constexpr std::string_view stopCommand = "stop";
constexpr std::string_view playCommand = "playfile ";
constexpr std::string_view enqueueCommand = "enqueue ";
constexpr std::string_view nextCommand = "next";
constexpr std::string_view previousCommand = "prev";
constexpr std::string_view repeatCommand = "repeat ";
constexpr std::string_view seekCommand = "seek ";
constexpr std::string_view volumeCommand = "volume ";

// A whole number 0..100 and nothing else.
std::optional<int32_t> percentNamed(std::string_view text)
{
    int32_t percent = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), percent);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || percent < 0 ||
        percent > MasterVolume::full) {
        return std::nullopt;
    }
    return percent;
}

const char* stateName(PlayState state)
{
    switch (state) {
    case PlayState::Idle: return "idle";
    case PlayState::Stopped: return "stopped";
    case PlayState::Playing: return "playing";
    case PlayState::Paused: return "paused";
    }
    return "idle";
}

}  // namespace

std::optional<std::string> ExternalControl::answer(std::string_view received, bool final)
{
    const control::ParsedRequest parsed = control::parseRequest(received);
    if (parsed.scan == control::Scan::Incomplete && !final) {
        return std::nullopt;
    }
    if (parsed.scan != control::Scan::Complete) {
        return control::encodeReply(control::refused);
    }
    const control::Reply reply = carryOut(parsed.request);
    return control::encodeReply(reply.result, reply.fields);
}

control::Reply ExternalControl::carryOut(const control::Request& request)
{
    control::Reply reply;
    // A conversation is only ever accepted for the one service and topic.
    if (request.service != control::conversationName || request.topic != control::conversationName) {
        return reply;
    }
    switch (request.verb) {
    case control::Verb::Execute: reply.result = execute(request.topic, request.text); break;
    case control::Verb::HandOff:
        if (!request.text.empty() && window_.receiveHandOff(request.text)) {
            reply.result = control::acknowledged;
        }
        break;
    case control::Verb::Status:
        if (request.text.empty()) {
            reply.result = control::acknowledged;
            reply.fields = status();
        }
        break;
    }
    return reply;
}

uint32_t ExternalControl::execute(std::string_view topic, std::string_view command)
{
    if (topic != control::conversationName) {
        return control::refused;
    }
    if (command == stopCommand) {
        sequencer_.stop();
        return control::acknowledged;
    }
    if (command.starts_with(seekCommand)) {
        const std::string_view digits = command.substr(seekCommand.size());
        uint32_t ms = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), ms);
        if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
            return control::refused;
        }
        return sequencer_.seekToMs(ms) ? control::acknowledged : control::refused;
    }
    if (command.starts_with(playCommand)) {
        // Whether the song loads is not reported: a path that cannot be loaded leaves the
        // player idle and is acknowledged all the same.
        openPath(command.substr(playCommand.size()));
        return control::acknowledged;
    }
    if (volume_ != nullptr && command.starts_with(volumeCommand)) {
        if (const auto percent = percentNamed(command.substr(volumeCommand.size()))) {
            volume_->set(*percent);
            return control::acknowledged;
        }
        return control::refused;
    }
    return playlist_ != nullptr ? executeForPlaylist(command) : control::refused;
}

uint32_t ExternalControl::executeForPlaylist(std::string_view command)
{
    if (command.starts_with(enqueueCommand) && command.size() > enqueueCommand.size()) {
        playlist_->enqueue({std::string(command.substr(enqueueCommand.size()))});
        return control::acknowledged;
    }
    // Next and previous are acknowledged only when there was a song to go to.
    if (command == nextCommand) {
        return playlist_->next() ? control::acknowledged : control::refused;
    }
    if (command == previousCommand) {
        return playlist_->previous() ? control::acknowledged : control::refused;
    }
    if (command.starts_with(repeatCommand)) {
        if (const auto mode = repeatNamed(command.substr(repeatCommand.size()))) {
            playlist_->setRepeat(*mode);
            return control::acknowledged;
        }
    }
    return control::refused;
}

control::Fields ExternalControl::status() const
{
    const PlayState state = sequencer_.state();
    const bool loaded = state != PlayState::Idle && sequencer_.song().loaded();
    control::Fields fields = {
        {"state", stateName(state)},
        {"path", loaded ? sequencer_.song().path() : std::string()},
        {"title", loaded ? songTitle() : std::string()},
        {"position_ms", std::to_string(loaded ? sequencer_.elapsedMs() : 0)},
        {"length_ms", std::to_string(loaded ? sequencer_.song().endMs() : 0)},
    };
    // At full volume the answer stays as it was before there was a volume.
    if (volume_ != nullptr && volume_->percent() != MasterVolume::full) {
        fields.emplace_back("volume", std::to_string(volume_->percent()));
    }
    // One song played once answers as a player without a playlist does.
    const Playlist* list = playlist_ != nullptr ? &playlist_->playlist() : nullptr;
    if (list != nullptr && (list->size() > 1 || list->repeat() != RepeatMode::Off || list->shuffle())) {
        fields.emplace_back("playlist_position", std::to_string(list->position()));
        fields.emplace_back("playlist_length", std::to_string(list->size()));
        fields.emplace_back("repeat", std::string(repeatName(list->repeat())));
        fields.emplace_back("shuffle", list->shuffle() ? "on" : "off");
    }
    return fields;
}

std::string ExternalControl::songTitle() const
{
    const char* title = sequencer_.song().title();
    const std::string_view stored = title != nullptr ? std::string_view(title) : std::string_view();
    if (stored.empty()) {
        return {};
    }
    return songText_ ? songText_(stored) : std::string(stored);
}

NowPlaying ExternalControl::nowPlaying() const
{
    NowPlaying now;
    const PlayState state = sequencer_.state();
    now.status = state == PlayState::Playing ? PlaybackStatus::Playing
                 : state == PlayState::Paused ? PlaybackStatus::Paused
                                              : PlaybackStatus::Stopped;
    now.hasSong = state != PlayState::Idle && sequencer_.song().loaded();
    now.seekCount = sequencer_.seekCount();
    if (playlist_ != nullptr) {
        const Playlist& list = playlist_->playlist();
        now.playlistPosition = list.position();
        now.playlistLength = list.size();
        now.canGoNext = list.hasNext();
        now.canGoPrevious = list.hasPrevious();
        now.loop = list.repeat() == RepeatMode::One   ? LoopStatus::Track
                   : list.repeat() == RepeatMode::All ? LoopStatus::Playlist
                                                      : LoopStatus::None;
        now.shuffle = list.shuffle();
    }
    if (volume_ != nullptr) {
        now.volumePercent = volume_->percent();
    }
    if (!now.hasSong) {
        return now;
    }
    now.path = sequencer_.song().path();
    now.title = songTitle();
    if (now.title.empty()) {
        now.title = std::filesystem::path(sequencer_.song().path()).filename().string();
    }
    now.lengthUs = int64_t{sequencer_.song().endMs()} * 1000;
    now.positionUs = int64_t{sequencer_.elapsedMs()} * 1000;
    return now;
}

void ExternalControl::play()
{
    switch (sequencer_.state()) {
    case PlayState::Paused: sequencer_.resume(); break;
    case PlayState::Stopped: sequencer_.play(); break;
    case PlayState::Idle:
    case PlayState::Playing: break;
    }
}

void ExternalControl::pause()
{
    if (sequencer_.state() == PlayState::Playing) {
        sequencer_.pause();
    }
}

void ExternalControl::playPause()
{
    if (sequencer_.state() == PlayState::Playing) {
        sequencer_.pause();
    } else {
        play();
    }
}

void ExternalControl::stop() { sequencer_.stop(); }

void ExternalControl::seekTo(int64_t positionUs)
{
    sequencer_.seekToMs(static_cast<uint32_t>(std::clamp<int64_t>(positionUs / 1000, 0, 0xFFFFFFFF)));
}

void ExternalControl::setVolume(int32_t percent)
{
    if (volume_ != nullptr) {
        volume_->set(percent);
    }
}

void ExternalControl::openPath(std::string_view path)
{
    if (playlist_ != nullptr) {
        playlist_->open({std::string(path)});
    } else {
        sequencer_.loadAndPlay(path);
    }
}

void ExternalControl::next()
{
    if (playlist_ != nullptr) {
        playlist_->next();
    }
}

void ExternalControl::previous()
{
    if (playlist_ != nullptr) {
        playlist_->previous();
    }
}

void ExternalControl::setLoop(LoopStatus loop)
{
    if (playlist_ != nullptr) {
        playlist_->setRepeat(loop == LoopStatus::Track      ? RepeatMode::One
                             : loop == LoopStatus::Playlist ? RepeatMode::All
                                                            : RepeatMode::Off);
    }
}

void ExternalControl::setShuffle(bool on)
{
    if (playlist_ != nullptr) {
        playlist_->setShuffle(on);
    }
}

}  // namespace quorva
