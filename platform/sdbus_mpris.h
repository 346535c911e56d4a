#pragma once
// The player on the session D-Bus as org.mpris.MediaPlayer2.quorva, the interface desktop
// media keys and panel applets use. Served from the frame loop, never waiting on the bus.
#include "platform/media_player.h"

#include <memory>
#include <string>
#include <string_view>

namespace quorva {

class MprisService {
public:
    static constexpr const char* busName = "org.mpris.MediaPlayer2.quorva";

    explicit MprisService(MediaPlayerTarget& target);
    ~MprisService();
    MprisService(const MprisService&) = delete;
    MprisService& operator=(const MprisService&) = delete;

    // False (and the player runs without it) when there is no session bus.
    bool start();
    // Handles what the bus sent and announces what changed since the last call.
    void serve();
    void stop();
    bool running() const;

    struct Connection;

private:
    std::unique_ptr<Connection> connection_;
    MediaPlayerTarget& target_;
};

// A file:// URI of an absolute path, every byte outside the unreserved set percent-encoded.
std::string fileUri(std::string_view path);
// The path of a file:// URI; empty when the URI is not one.
std::string pathOfFileUri(std::string_view uri);
// The text with every byte that is not part of valid UTF-8 replaced by U+FFFD.
std::string validUtf8(std::string_view text);

}  // namespace quorva
