#include "render/render_video.h"

#include "render/video_encoder.h"
#include "render/video_job.h"
#include "render/video_options.h"
#include "render/video_sound.h"

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <mutex>
#include <optional>
#include <thread>

namespace quorva {
namespace {

// Pictures travelling from the drawing thread to the encoding thread: a ring of a few
// frames, each side waiting while it is full or empty.
class PictureQueue {
public:
    PictureQueue(size_t slots, size_t bytes) : slots_(slots, std::vector<uint8_t>(bytes)) {}

    // The slot to draw the next picture into; nullptr once the encoding side has given up.
    uint8_t* emptySlot()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return ready_ < slots_.size() || abandoned_; });
        return abandoned_ ? nullptr : slots_[(first_ + ready_) % slots_.size()].data();
    }
    void pushDrawn()
    {
        std::lock_guard lock(mutex_);
        ++ready_;
        changed_.notify_all();
    }
    // The oldest drawn picture; nullptr once the drawing side has closed and all are taken.
    const uint8_t* drawnSlot()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return ready_ > 0 || closed_; });
        return ready_ > 0 ? slots_[first_].data() : nullptr;
    }
    void popEncoded()
    {
        std::lock_guard lock(mutex_);
        first_ = (first_ + 1) % slots_.size();
        --ready_;
        changed_.notify_all();
    }
    // No more pictures will come.
    void close()
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        changed_.notify_all();
    }
    // No more pictures will be taken.
    void abandon()
    {
        std::lock_guard lock(mutex_);
        abandoned_ = true;
        changed_.notify_all();
    }

private:
    std::vector<std::vector<uint8_t>> slots_;
    std::mutex mutex_;
    std::condition_variable changed_;
    size_t first_ = 0;
    size_t ready_ = 0;
    bool closed_ = false;
    bool abandoned_ = false;
};

// Where the frames and the sound of the video lie on the session's time line.
struct Timeline {
    uint32_t fromMs = 0;
    uint32_t fps = 60;
    uint64_t frameCount = 0;
    uint32_t sampleRate = 44100;
    uint64_t soundStart = 0;  // the WAV frame heard at the first picture

    // Frame k shows the screen of --screen --at frameMs(k).
    uint32_t frameMs(uint64_t k) const { return fromMs + static_cast<uint32_t>(k * 1000 / fps); }
    // The sound frames that belong before the end of picture k.
    uint64_t soundUntil(uint64_t k) const { return (k + 1) * sampleRate / fps; }
};

// The picture of a moment is on the screen from the first 16 ms frame at or after it (8 ms
// later on average), and from the first video frame that follows (half a video frame on
// average). The sound is delayed by the mean of the two, so that every note's first glow and
// first sound lie less than one video frame apart (at 30 and 60 frames per second).
double pictureDelayMs(uint32_t fps) { return (ScreenSession::framePeriodMs + 1000.0 / fps) / 2; }

int fail(ProgressLine& progress, const std::string& reason)
{
    progress.clear();
    std::fprintf(stderr, "quorva-render: %s\n", reason.c_str());
    return 1;
}

int interrupted(ProgressLine& progress, WorkFiles& files, const std::string& outPath)
{
    files.removeAll();
    progress.clear();
    std::fprintf(stderr, "quorva-render: interrupted; %s was not written\n", outPath.c_str());
    return 130;
}

// Renders the sound, and waits for it while watching for an interrupt. The renderers have no
// place to stop halfway; on an interrupt the process ends without them, after removing every
// file of the export (nothing is under the output's name yet).
bool renderSoundOrExit(const SessionRecording& recording, VideoSynth synth, WorkFiles& files,
                       ProgressLine& progress, const std::string& outPath)
{
    auto rendered =
        std::async(std::launch::async, [&] { return renderSound(recording.messages, synth, files.sound()); });
    while (rendered.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        if (InterruptCatcher::requested().load()) {
            std::_Exit(interrupted(progress, files, outPath));
        }
    }
    return rendered.get();
}

// Draws the frames on this thread and encodes them and the sound on another. False when
// interrupted or when the encoder failed (its error says why).
bool encodeFrames(ScreenSession& session, const Timeline& timeline, WavSound& sound, VideoEncoder& encoder,
                  const PictureConverter& converter, ProgressLine& progress)
{
    PictureQueue queue(4, converter.frameBytes());
    std::atomic<uint64_t> encoded{0};
    bool encoderFailed = false;
    std::thread encoding([&] {
        std::vector<int16_t> samples;
        uint64_t soundSent = 0;
        for (uint64_t k = 0; const uint8_t* picture = queue.drawnSlot(); ++k) {
            const uint64_t soundDue = timeline.soundUntil(k);
            samples.resize(2 * (soundDue - soundSent));
            sound.read(soundDue - soundSent, samples.data());
            const bool ok = encoder.addSound(samples.data(), soundDue - soundSent) && encoder.addPicture(picture);
            soundSent = soundDue;
            queue.popEncoded();
            if (!ok) {
                encoderFailed = true;
                queue.abandon();
                return;
            }
            encoded.store(k + 1);
        }
    });
    bool stopped = false;
    for (uint64_t k = 0; k < timeline.frameCount && !stopped; ++k) {
        session.runUntil(timeline.frameMs(k));
        uint8_t* slot = queue.emptySlot();
        stopped = slot == nullptr || InterruptCatcher::requested().load();
        if (!stopped) {
            converter.convert(session.screen.mainSurface, slot);
            queue.pushDrawn();
        }
        progress.frames(encoded.load(), timeline.frameCount);
    }
    queue.close();
    encoding.join();
    return !stopped && !encoderFailed;
}

// Lays the frames and the sound on the session's time line: the video ends with the sound,
// or with the session's last frame where that is later, unless --to ends it.
std::optional<Timeline> layOut(const VideoOptions& options, const SessionRecording& recording, const WavSound& sound,
                               std::string& error)
{
    Timeline timeline;
    timeline.fromMs = options.fromMs;
    timeline.fps = options.fps;
    timeline.sampleRate = sound.rate();
    const double soundLeadMs = soundDelayMs(options.synth) - pictureDelayMs(options.fps);
    const double soundEndMs = static_cast<double>(sound.frames()) * 1000 / sound.rate() - soundLeadMs;
    const double endMs =
        options.toMs ? *options.toMs : std::max(soundEndMs, recording.endMs + 1000.0 / options.fps);
    if (options.fromMs >= endMs) {
        error = "--from is past the end of the video (" + std::to_string(std::lround(endMs)) + " ms)";
        return std::nullopt;
    }
    timeline.frameCount = static_cast<uint64_t>(std::ceil((endMs - options.fromMs) * options.fps / 1000));
    timeline.soundStart = static_cast<uint64_t>(std::llround((options.fromMs + soundLeadMs) * sound.rate() / 1000));
    return timeline;
}

// The pictures, with the sound beside them, into `path`: one session advanced through time,
// a frame grabbed as it passes each frame's time. False on an interrupt, or with a one-line
// reason in `error`.
bool writeVideo(const VideoOptions& options, TextRenderer* text, const Timeline& timeline, WavSound& sound,
                const std::filesystem::path& path, ProgressLine& progress, std::string& error)
{
    auto session = std::make_unique<ScreenSession>(executableDirectory(), text);
    if (!startScreenSession(*session, options.start, error)) {
        return false;
    }
    const Surface& screen = session->screen.mainSurface;
    const char* lossless = std::getenv("QUORVA_VIDEO_LOSSLESS");
    VideoStreams streams;
    streams.container = options.container;
    streams.width = screen.width() * options.scale;
    streams.height = screen.height() * options.scale;
    streams.fps = options.fps;
    streams.sampleRate = sound.rate();
    streams.lossless = lossless != nullptr && std::string(lossless) == "1";
    VideoEncoder encoder;
    if (!encoder.open(path.string(), streams, error)) {
        return false;
    }
    const PictureConverter converter(encoder.pictureFormat(), options.scale, screen.width(), screen.height());
    sound.seek(timeline.soundStart);
    progress.frames(0, timeline.frameCount);
    if (!encodeFrames(*session, timeline, sound, encoder, converter, progress) || !encoder.finish()) {
        error = encoder.error();
        return false;
    }
    return true;
}

}  // namespace

int renderVideo(std::vector<std::string> args, const TextRendererMaker& makeText)
{
    ProgressLine progress;
    std::string error;
    const auto options = parseVideoOptions(std::move(args), error);
    if (!options) {
        return fail(progress, error);
    }
    InterruptCatcher interrupts;
    WorkFiles files;
    if (!files.create(options->outPath)) {
        return fail(progress, "cannot write " + options->outPath);
    }

    // The sound first: the session the pictures show, run once for what its player sends.
    progress.announce("rendering the sound");
    std::unique_ptr<TextRenderer> text = makeText ? makeText() : nullptr;
    const auto recording =
        recordSession(options->start, text.get(), options->toMs, InterruptCatcher::requested(), error);
    if (InterruptCatcher::requested().load()) {
        return interrupted(progress, files, options->outPath);
    }
    if (!recording) {
        return fail(progress, error);
    }
    if (!renderSoundOrExit(*recording, options->synth, files, progress, options->outPath)) {
        progress.clear();
        return 1;  // the renderer has told why
    }
    WavSound sound;
    if (!sound.open(files.sound())) {
        return fail(progress, "cannot read the rendered sound " + files.sound().string());
    }
    const auto timeline = layOut(*options, *recording, sound, error);
    if (!timeline) {
        return fail(progress, error);
    }

    const bool written = writeVideo(*options, text.get(), *timeline, sound, files.video(), progress, error);
    if (InterruptCatcher::requested().load()) {
        return interrupted(progress, files, options->outPath);
    }
    if (!written) {
        return fail(progress, error);
    }
    if (!files.commit()) {
        return fail(progress, "cannot write " + options->outPath);
    }
    const double seconds = progress.secondsSinceStart();
    char summary[160];
    std::snprintf(summary, sizeof summary, "%llu frames (%.1f s of video) in %.1f s, %.0f frames per second",
                  static_cast<unsigned long long>(timeline->frameCount),
                  static_cast<double>(timeline->frameCount) / options->fps, seconds,
                  static_cast<double>(timeline->frameCount) / std::max(seconds, 0.001));
    progress.finish(options->outPath + ": " + summary);
    return 0;
}

}  // namespace quorva
