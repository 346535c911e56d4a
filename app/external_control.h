#pragma once
#include "app/control_protocol.h"
#include "platform/control_channel.h"
#include "platform/media_player.h"

#include <functional>
#include <string>
#include <string_view>

namespace quorva {

class MainWindow;
class MasterVolume;
class PlaylistPlayer;
class Sequencer;

// Carries out what other programs ask of the running player: the requests of the control
// channel (commands, a second copy's hand-off, status) and the desktop's media controls.
// Everything runs on the main thread, between frames.
class ExternalControl final : public ControlRequestHandler, public MediaPlayerTarget {
public:
    // Turns a song's stored text, in the encoding it was stored in, into UTF-8.
    using TextConverter = std::function<std::string(std::string_view)>;

    ExternalControl(Sequencer& sequencer, MainWindow& window, TextConverter songText = {})
        : sequencer_(sequencer), window_(window), songText_(std::move(songText))
    {
    }

    // The playlist that "playfile", "enqueue", "next", "prev" and the media controls act on;
    // without one a song is loaded and played alone.
    void setPlaylist(PlaylistPlayer* playlist) { playlist_ = playlist; }
    // The master volume that "volume N" and the media controls set.
    void setMasterVolume(MasterVolume* volume) { volume_ = volume; }

    std::optional<std::string> answer(std::string_view received, bool final) override;
    control::Reply carryOut(const control::Request& request);
    // An execute request: "stop", "seek " and a time in ms, or "playfile " and a path; with a
    // playlist also "enqueue " and a path, "next", "prev" and "repeat off|one|all"; with a
    // master volume "volume " and a whole percent 0-100. 0x8000 when carried out, else 0.
    uint32_t execute(std::string_view topic, std::string_view command);
    control::Fields status() const;

    NowPlaying nowPlaying() const override;
    void play() override;
    void pause() override;
    void playPause() override;
    void stop() override;
    void seekTo(int64_t positionUs) override;
    void openPath(std::string_view path) override;
    void next() override;
    void previous() override;
    void setLoop(LoopStatus loop) override;
    void setShuffle(bool on) override;
    void setVolume(int32_t percent) override;

private:
    std::string songTitle() const;
    uint32_t executeForPlaylist(std::string_view command);

    Sequencer& sequencer_;
    MainWindow& window_;
    TextConverter songText_;
    PlaylistPlayer* playlist_ = nullptr;
    MasterVolume* volume_ = nullptr;
};

}  // namespace quorva
