#include "render/video_sound.h"

#include "ports/direct_music_port.h"
#include "render/render_soft_synth.h"
#include "render/render_wav.h"

#include <algorithm>
#include <fstream>
#include <memory>

namespace quorva {
namespace {

// The FM stream plays a message its buffer plus this long after it was sent.
constexpr uint32_t fmStreamDelayMs = 50;

// Keeps what a port is sent, stamped with the session's clock. It opens and fails to open
// the synthesizers as a NULL port does, so that the session plays as --screen's does.
class RecordingPort final : public MidiPort {
public:
    RecordingPort(Clock& clock, std::vector<LoggedMessage>& log) : clock_(clock), log_(log) {}

    void sendShort(uint32_t message) override
    {
        const uint8_t status = static_cast<uint8_t>(message);
        const uint8_t first = static_cast<uint8_t>(message >> 8);
        const uint8_t second = static_cast<uint8_t>(message >> 16);
        // Only channel messages sound; the log format takes nothing else.
        if (status < 0x80 || status >= 0xF0 || first >= 0x80 || second >= 0x80) {
            return;
        }
        std::vector<uint8_t> bytes = {status, first};
        if (shortMessageLength(message) == 3) {
            bytes.push_back(second);
        }
        log_.push_back({clock_.nowMs(), std::move(bytes)});
    }
    void sendLong(const LongMessage& message) override
    {
        if (message.data == nullptr || message.length < 2 || message.data[0] != 0xF0 ||
            message.data[message.length - 1] != 0xF7) {
            return;
        }
        log_.push_back({clock_.nowMs(), std::vector<uint8_t>(message.data, message.data + message.length)});
    }

private:
    Clock& clock_;
    std::vector<LoggedMessage>& log_;
};

class RecordingFactory final : public PortFactory {
public:
    std::unique_ptr<MidiPort> makeMidiOut() override { return makeNull(); }
    std::unique_ptr<MidiPort> makeSoftSynth() override { return makeNull(); }
    std::unique_ptr<MidiPort> makeFmSynth() override { return makeNull(); }
    std::unique_ptr<MidiPort> makeNull() override { return std::make_unique<RecordingPort>(*clock, log); }

    Clock* clock = nullptr;
    std::vector<LoggedMessage> log;
};

bool writeLog(const std::vector<LoggedMessage>& messages, const std::filesystem::path& path)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    static const char hex[] = "0123456789abcdef";
    std::string line;
    for (const LoggedMessage& message : messages) {
        line = std::to_string(message.timeMs);
        for (uint8_t byte : message.bytes) {
            line += ' ';
            line += hex[byte >> 4];
            line += hex[byte & 15];
        }
        line += '\n';
        out << line;
    }
    out.close();
    return static_cast<bool>(out);
}

uint32_t readLittleEndian(const uint8_t* bytes, int count)
{
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = value << 8 | bytes[i];
    }
    return value;
}

}  // namespace

std::optional<SessionRecording> recordSession(const ScreenStart& start, TextRenderer* text,
                                              std::optional<uint32_t> untilMs, const std::atomic<bool>& stop,
                                              std::string& error)
{
    RecordingFactory factory;
    auto session = std::make_unique<ScreenSession>(executableDirectory(), text, &factory);
    factory.clock = &session->clock;
    if (!startScreenSession(*session, start, error)) {
        return std::nullopt;
    }
    SessionRecording recording;
    for (uint32_t frameMs = 0;; frameMs += ScreenSession::framePeriodMs) {
        if (stop.load()) {
            return std::nullopt;
        }
        session->runUntil(frameMs);
        recording.endMs = frameMs;
        const bool done = session->sequencer.state() != PlayState::Playing && session->scriptDone();
        if (done || (untilMs && frameMs >= *untilMs)) {
            break;
        }
    }
    recording.messages = std::move(factory.log);
    return recording;
}

bool renderSound(const std::vector<LoggedMessage>& messages, VideoSynth synth, const std::filesystem::path& wav)
{
    std::filesystem::path log = wav;
    log.replace_extension(".log");
    if (!writeLog(messages, log)) {
        std::fprintf(stderr, "quorva-render: cannot write %s\n", log.c_str());
        return false;
    }
    const std::vector<std::string> args = {"--events-in", log.string(), "--wav", wav.string()};
    return (synth == VideoSynth::Fm ? renderWav(args) : renderSoftSynthWav(args, false)) == 0;
}

uint32_t soundDelayMs(VideoSynth synth)
{
    return synth == VideoSynth::Fm ? WavRenderOptions{}.bufferMs + fmStreamDelayMs : DirectMusicPort::latencyMs;
}

WavSound::~WavSound()
{
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

bool WavSound::open(const std::filesystem::path& path)
{
    file_ = std::fopen(path.c_str(), "rb");
    uint8_t header[44];
    if (file_ == nullptr || std::fread(header, 1, sizeof header, file_) != sizeof header) {
        return false;
    }
    const bool stereo16 = readLittleEndian(header + 22, 2) == 2 && readLittleEndian(header + 34, 2) == 16;
    rate_ = readLittleEndian(header + 24, 4);
    frames_ = readLittleEndian(header + 40, 4) / 4;
    return stereo16 && rate_ > 0;
}

bool WavSound::seek(uint64_t frame)
{
    position_ = frame;
    return std::fseek(file_, static_cast<long>(44 + std::min(frame, frames_) * 4), SEEK_SET) == 0;
}

void WavSound::read(size_t count, int16_t* out)
{
    const uint64_t available = position_ < frames_ ? frames_ - position_ : 0;
    const size_t fromFile = static_cast<size_t>(std::min<uint64_t>(count, available));
    std::vector<uint8_t> bytes(fromFile * 4);
    const size_t got = std::fread(bytes.data(), 4, fromFile, file_);
    for (size_t i = 0; i < 2 * got; ++i) {
        out[i] = static_cast<int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    }
    std::fill(out + 2 * got, out + 2 * count, int16_t{0});
    position_ += count;
}

}  // namespace quorva
