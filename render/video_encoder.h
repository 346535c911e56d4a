#pragma once
// Writes a video file with a picture stream and a sound stream. The one place that calls
// FFmpeg's libraries (libavformat, libavcodec, libavutil).
//
// Through the libraries rather than an `ffmpeg` process fed through pipes: the pictures
// reach x264 with one copy in memory, where a pipe would also push 110 MB a second (1280x960
// at 60 fps) through the kernel and into the other process, on two cores that the drawing
// and the encoding already share; the sound needs no second pipe or fifo beside them; the encoder's
// settings and colour tags are set in code and its failures come back as values, told in
// one line of ours rather than ffmpeg's log; and an interrupt stops one process, with no
// child to wait for. The cost is this file: FFmpeg's API in some 350 lines.
#include "render/video_options.h"
#include "render/video_picture.h"

#include <cstdint>
#include <memory>
#include <string>

namespace quorva {

struct VideoStreams {
    VideoContainer container = VideoContainer::Mp4;
    int32_t width = 0;
    int32_t height = 0;
    uint32_t fps = 60;
    uint32_t sampleRate = 44100;  // 16-bit stereo
    // H.264 without loss, in RGB: each decoded frame is the picture given, bit for bit. Few
    // players open it; the tests compare frames with it. Not for WebM.
    bool lossless = false;
};

// MP4 and Matroska: H.264 (x264, yuv420p, BT.709 limited range) and AAC. WebM: VP9 (VP8
// where the libraries have no VP9) and Vorbis.
class VideoEncoder {
public:
    VideoEncoder();
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    // Creates `path` and writes the file's header; false with a one-line reason in `error`.
    bool open(const std::string& path, const VideoStreams& streams, std::string& error);
    // The layout addPicture takes (PictureConverter's).
    PictureFormat pictureFormat() const;
    // The next picture; picture k shows from k / fps seconds on.
    bool addPicture(const uint8_t* picture);
    // The next `frames` stereo frames of sound, left and right interleaved.
    bool addSound(const int16_t* samples, size_t frames);
    // Sends what the encoders still hold and completes the file.
    bool finish();
    // Why the last call failed: one line.
    const std::string& error() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace quorva
