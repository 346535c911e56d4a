#include "render/video_encoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
}

#include <cstring>
#include <vector>

namespace quorva {
namespace {

// The H.264 picture. The screen is flat colours, one-pixel lines and small letters: x264's
// psychovisual optimisation and adaptive quantisation favour the texture of filmed pictures
// over exact edges, so they are off (tune psnr), and quality 16 keeps a decoded frame above
// 40 dB from the picture drawn (quality 20 with them on: about 36 dB). With the veryfast
// preset a 1280x960 60 fps export of a dense song runs four times faster than real time on
// two cores (docs/benchmarks.md); ultrafast takes a quarter less time for files 2.5 times as
// large, faster half as much time again for files no smaller.
constexpr const char* h264Preset = "veryfast";
constexpr const char* h264Tune = "psnr";
constexpr const char* h264Quality = "16";
constexpr int64_t soundBitRate = 192000;
// Seconds between key frames, so that a player can seek.
constexpr int keyFrameSeconds = 4;

std::string describe(const std::string& what, int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return what + ": " + text;
}

struct Options {
    Options() = default;
    Options(const Options&) = delete;
    Options& operator=(const Options&) = delete;
    ~Options() { av_dict_free(&entries); }
    void set(const char* key, const char* value) { av_dict_set(&entries, key, value, 0); }
    AVDictionary* entries = nullptr;
};

// One stream: its encoder, the frame it is fed and the time of the next frame.
struct Encoded {
    Encoded() = default;
    Encoded(const Encoded&) = delete;
    Encoded& operator=(const Encoded&) = delete;
    ~Encoded()
    {
        av_frame_free(&frame);
        avcodec_free_context(&codec);
    }
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    AVFrame* frame = nullptr;
    int64_t nextPts = 0;
};

}  // namespace

struct VideoEncoder::State {
    ~State()
    {
        av_packet_free(&packet);
        if (format != nullptr) {
            avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }

    bool fail(const std::string& reason)
    {
        error = reason;
        return false;
    }
    bool openPicture();
    bool openSound();
    bool drain(Encoded& encoded);
    bool sendSound(size_t frames);

    VideoStreams streams;
    AVFormatContext* format = nullptr;
    AVPacket* packet = nullptr;
    Encoded picture;
    Encoded sound;
    int soundFrameSize = 0;
    std::vector<int16_t> pendingSound;  // interleaved, less than one sound frame once sent
    std::string error;
};

bool VideoEncoder::State::openPicture()
{
    const bool h264 = streams.container != VideoContainer::WebM;
    const char* name = h264 ? (streams.lossless ? "libx264rgb" : "libx264") : "libvpx-vp9";
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    if (codec == nullptr && !h264) {
        codec = avcodec_find_encoder_by_name("libvpx");
    }
    if (codec == nullptr) {
        return fail(h264 ? "FFmpeg has no H.264 encoder (libx264)" : "FFmpeg has no VP9 or VP8 encoder (libvpx)");
    }
    AVCodecContext* context = picture.codec = avcodec_alloc_context3(codec);
    context->width = streams.width;
    context->height = streams.height;
    context->time_base = AVRational{1, static_cast<int>(streams.fps)};
    context->framerate = AVRational{static_cast<int>(streams.fps), 1};
    context->gop_size = static_cast<int>(streams.fps) * keyFrameSeconds;
    context->thread_count = 0;  // as many as the encoder finds useful
    Options options;
    if (streams.lossless && h264) {
        context->pix_fmt = AV_PIX_FMT_RGB24;
        options.set("preset", "ultrafast");
        options.set("qp", "0");
    } else {
        context->pix_fmt = AV_PIX_FMT_YUV420P;
        context->color_range = AVCOL_RANGE_MPEG;
        context->colorspace = AVCOL_SPC_BT709;
        context->color_primaries = AVCOL_PRI_BT709;
        context->color_trc = AVCOL_TRC_BT709;
        if (h264) {
            options.set("preset", h264Preset);
            options.set("tune", h264Tune);
            options.set("crf", h264Quality);
        } else {
            context->bit_rate = 0;
            options.set("deadline", "realtime");
            options.set("cpu-used", "8");
            options.set("row-mt", "1");
            options.set("crf", "30");
        }
    }
    if (format->oformat->flags & AVFMT_GLOBALHEADER) {
        context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    if (const int result = avcodec_open2(context, codec, &options.entries); result < 0) {
        return fail(describe(std::string("cannot open the encoder ") + codec->name, result));
    }
    picture.stream = avformat_new_stream(format, nullptr);
    picture.frame = av_frame_alloc();
    if (picture.stream == nullptr || picture.frame == nullptr) {
        return fail("out of memory");
    }
    avcodec_parameters_from_context(picture.stream->codecpar, context);
    picture.stream->time_base = context->time_base;
    picture.stream->avg_frame_rate = context->framerate;
    picture.frame->format = context->pix_fmt;
    picture.frame->width = context->width;
    picture.frame->height = context->height;
    if (av_frame_get_buffer(picture.frame, 0) < 0) {
        return fail("out of memory");
    }
    return true;
}

bool VideoEncoder::State::openSound()
{
    const bool webm = streams.container == VideoContainer::WebM;
    const AVCodec* codec = avcodec_find_encoder_by_name(webm ? "libvorbis" : "aac");
    if (codec == nullptr) {
        return fail(webm ? "FFmpeg has no Vorbis encoder (libvorbis)" : "FFmpeg has no AAC encoder");
    }
    AVCodecContext* context = sound.codec = avcodec_alloc_context3(codec);
    context->sample_fmt = AV_SAMPLE_FMT_FLTP;
    context->sample_rate = static_cast<int>(streams.sampleRate);
    av_channel_layout_default(&context->ch_layout, 2);
    context->bit_rate = soundBitRate;
    context->time_base = AVRational{1, context->sample_rate};
    if (format->oformat->flags & AVFMT_GLOBALHEADER) {
        context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    if (const int result = avcodec_open2(context, codec, nullptr); result < 0) {
        return fail(describe(std::string("cannot open the encoder ") + codec->name, result));
    }
    soundFrameSize = context->frame_size > 0 ? context->frame_size : 1024;
    sound.stream = avformat_new_stream(format, nullptr);
    sound.frame = av_frame_alloc();
    if (sound.stream == nullptr || sound.frame == nullptr) {
        return fail("out of memory");
    }
    avcodec_parameters_from_context(sound.stream->codecpar, context);
    sound.stream->time_base = context->time_base;
    sound.frame->format = context->sample_fmt;
    sound.frame->sample_rate = context->sample_rate;
    sound.frame->nb_samples = soundFrameSize;
    av_channel_layout_copy(&sound.frame->ch_layout, &context->ch_layout);
    if (av_frame_get_buffer(sound.frame, 0) < 0) {
        return fail("out of memory");
    }
    return true;
}

// Writes every packet the encoder has ready.
bool VideoEncoder::State::drain(Encoded& encoded)
{
    for (;;) {
        const int received = avcodec_receive_packet(encoded.codec, packet);
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) {
            return true;
        }
        if (received < 0) {
            return fail(describe("cannot encode", received));
        }
        av_packet_rescale_ts(packet, encoded.codec->time_base, encoded.stream->time_base);
        packet->stream_index = encoded.stream->index;
        if (const int written = av_interleaved_write_frame(format, packet); written < 0) {
            return fail(describe("cannot write", written));
        }
    }
}

// Encodes the first `frames` pending frames as one sound frame.
bool VideoEncoder::State::sendSound(size_t frames)
{
    AVFrame* frame = sound.frame;
    if (av_frame_make_writable(frame) < 0) {
        return fail("out of memory");
    }
    frame->nb_samples = static_cast<int>(frames);
    auto* left = reinterpret_cast<float*>(frame->data[0]);
    auto* right = reinterpret_cast<float*>(frame->data[1]);
    for (size_t i = 0; i < frames; ++i) {
        left[i] = pendingSound[2 * i] / 32768.0f;
        right[i] = pendingSound[2 * i + 1] / 32768.0f;
    }
    pendingSound.erase(pendingSound.begin(), pendingSound.begin() + static_cast<std::ptrdiff_t>(2 * frames));
    frame->pts = sound.nextPts;
    sound.nextPts += static_cast<int64_t>(frames);
    if (const int sent = avcodec_send_frame(sound.codec, frame); sent < 0) {
        return fail(describe("cannot encode the sound", sent));
    }
    return drain(sound);
}

VideoEncoder::VideoEncoder() : state_(std::make_unique<State>()) {}

VideoEncoder::~VideoEncoder() = default;

bool VideoEncoder::open(const std::string& path, const VideoStreams& streams, std::string& error)
{
    State& state = *state_;
    state.streams = streams;
    // The libraries' own messages stay quiet: a failure is told in one line of ours.
    av_log_set_level(AV_LOG_QUIET);
    const char* formatName = streams.container == VideoContainer::Mp4        ? "mp4"
                             : streams.container == VideoContainer::Matroska ? "matroska"
                                                                             : "webm";
    const auto failed = [&] {
        error = state.error;
        return false;
    };
    if (avformat_alloc_output_context2(&state.format, nullptr, formatName, path.c_str()) < 0 ||
        (state.packet = av_packet_alloc()) == nullptr) {
        state.error = std::string("FFmpeg cannot write ") + formatName;
        return failed();
    }
    if (!state.openPicture() || !state.openSound()) {
        return failed();
    }
    if (avio_open(&state.format->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) {
        state.error = "cannot write " + path;
        return failed();
    }
    Options options;
    if (streams.container == VideoContainer::Mp4) {
        options.set("movflags", "+faststart");  // the index first, so that a player can start at once
    }
    if (const int result = avformat_write_header(state.format, &options.entries); result < 0) {
        state.error = describe("cannot write " + path, result);
        return failed();
    }
    return true;
}

PictureFormat VideoEncoder::pictureFormat() const
{
    const bool rgb = state_->streams.lossless && state_->streams.container != VideoContainer::WebM;
    return rgb ? PictureFormat::Rgb24 : PictureFormat::Yuv420;
}

bool VideoEncoder::addPicture(const uint8_t* picture)
{
    State& state = *state_;
    AVFrame* frame = state.picture.frame;
    if (av_frame_make_writable(frame) < 0) {
        return state.fail("out of memory");
    }
    const size_t width = static_cast<size_t>(frame->width);
    const size_t height = static_cast<size_t>(frame->height);
    const auto copyPlane = [&](int plane, size_t rowBytes, size_t rows) {
        for (size_t y = 0; y < rows; ++y) {
            std::memcpy(frame->data[plane] + y * static_cast<size_t>(frame->linesize[plane]), picture, rowBytes);
            picture += rowBytes;
        }
    };
    if (pictureFormat() == PictureFormat::Rgb24) {
        copyPlane(0, width * 3, height);
    } else {
        copyPlane(0, width, height);
        copyPlane(1, width / 2, height / 2);
        copyPlane(2, width / 2, height / 2);
    }
    frame->pts = state.picture.nextPts++;
    if (const int sent = avcodec_send_frame(state.picture.codec, frame); sent < 0) {
        return state.fail(describe("cannot encode the picture", sent));
    }
    return state.drain(state.picture);
}

bool VideoEncoder::addSound(const int16_t* samples, size_t frames)
{
    State& state = *state_;
    state.pendingSound.insert(state.pendingSound.end(), samples, samples + 2 * frames);
    const size_t whole = static_cast<size_t>(state.soundFrameSize);
    while (state.pendingSound.size() >= 2 * whole) {
        if (!state.sendSound(whole)) {
            return false;
        }
    }
    return true;
}

bool VideoEncoder::finish()
{
    State& state = *state_;
    if (!state.pendingSound.empty()) {
        // A short last frame where the encoder takes one; otherwise silence fills it up.
        const int capabilities = state.sound.codec->codec->capabilities;
        if (!(capabilities & (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE))) {
            state.pendingSound.resize(2 * static_cast<size_t>(state.soundFrameSize), 0);
        }
        if (!state.sendSound(state.pendingSound.size() / 2)) {
            return false;
        }
    }
    for (Encoded* encoded : {&state.picture, &state.sound}) {
        if (const int sent = avcodec_send_frame(encoded->codec, nullptr); sent < 0) {
            return state.fail(describe("cannot encode", sent));
        }
        if (!state.drain(*encoded)) {
            return false;
        }
    }
    if (const int written = av_write_trailer(state.format); written < 0) {
        return state.fail(describe("cannot write", written));
    }
    if (avio_closep(&state.format->pb) < 0) {
        return state.fail("cannot write the end of the file");
    }
    return true;
}

const std::string& VideoEncoder::error() const { return state_->error; }

}  // namespace quorva
