#pragma once
// The sound of a video: the messages the pictured player sends (its input script may mute
// channels or stop the song), rendered offline by the chosen synthesizer as --wav renders
// an --events log.
#include "render/render_screen.h"
#include "render/render_wav_options.h"
#include "render/video_options.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quorva {

struct SessionRecording {
    std::vector<LoggedMessage> messages;  // times in ms since play
    uint32_t endMs = 0;                   // the time of the session's last frame
};

// Runs the session the pictures show, frame by frame, recording every message its ports are
// sent, until it has stopped playing with its script done, or up to `untilMs`. Nothing when
// `stop` is set on the way, or (with a one-line reason in `error`) when it cannot start.
std::optional<SessionRecording> recordSession(const ScreenStart& start, TextRenderer* text,
                                              std::optional<uint32_t> untilMs, const std::atomic<bool>& stop,
                                              std::string& error);

// Renders the messages through the synthesizer into `wav`, as
// `quorva-render --events-in LOG [--output ms-ss] --wav WAV` does, keeping the log beside it.
// False when the renderer failed; it has then printed its one-line reason.
bool renderSound(const std::vector<LoggedMessage>& messages, VideoSynth synth, const std::filesystem::path& wav);

// How long after it was sent a message sounds in the WAV of renderSound.
uint32_t soundDelayMs(VideoSynth synth);

// The 16-bit stereo sound of a WAV file the renderers wrote, read from a chosen frame on;
// past the end it reads silence.
class WavSound {
public:
    WavSound() = default;
    ~WavSound();
    WavSound(const WavSound&) = delete;
    WavSound& operator=(const WavSound&) = delete;

    bool open(const std::filesystem::path& path);
    uint32_t rate() const { return rate_; }
    uint64_t frames() const { return frames_; }
    bool seek(uint64_t frame);
    // The next `count` frames, left and right interleaved, into `out`.
    void read(size_t count, int16_t* out);

private:
    std::FILE* file_ = nullptr;
    uint32_t rate_ = 0;
    uint64_t frames_ = 0;
    uint64_t position_ = 0;
};

}  // namespace quorva
