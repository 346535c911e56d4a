#include "platform/sdbus_mpris.h"

#include <systemd/sd-bus.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <functional>

namespace quorva {

namespace {

constexpr const char* objectPath = "/org/mpris/MediaPlayer2";
constexpr const char* rootInterface = "org.mpris.MediaPlayer2";
constexpr const char* playerInterface = "org.mpris.MediaPlayer2.Player";
constexpr const char* noTrack = "/org/mpris/MediaPlayer2/TrackList/NoTrack";

MediaPlayerTarget& targetOf(void* userdata) { return *static_cast<MediaPlayerTarget*>(userdata); }

const char* statusName(PlaybackStatus status)
{
    switch (status) {
    case PlaybackStatus::Playing: return "Playing";
    case PlaybackStatus::Paused: return "Paused";
    case PlaybackStatus::Stopped: return "Stopped";
    }
    return "Stopped";
}

std::string trackId(const NowPlaying& now)
{
    if (!now.hasSong) {
        return noTrack;
    }
    char id[32];
    std::snprintf(id, sizeof id, "%016zx", std::hash<std::string>{}(now.path));
    return std::string("/org/mpris/MediaPlayer2/quorva/song/s") + id;
}

int getString(sd_bus_message* reply, const std::string& value) { return sd_bus_message_append(reply, "s", value.c_str()); }

int getIdentity(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*)
{
    return getString(reply, "quorva");
}

int getFalse(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*)
{
    return sd_bus_message_append(reply, "b", 0);
}

int getTrue(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*)
{
    return sd_bus_message_append(reply, "b", 1);
}

int getOne(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*)
{
    return sd_bus_message_append(reply, "d", 1.0);
}

int getSchemes(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*)
{
    return sd_bus_message_append(reply, "as", 1, "file");
}

int getMimeTypes(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*)
{
    return sd_bus_message_append(reply, "as", 2, "audio/midi", "audio/x-midi");
}

int getStatus(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* userdata, sd_bus_error*)
{
    return sd_bus_message_append(reply, "s", statusName(targetOf(userdata).nowPlaying().status));
}

int getHasSong(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* userdata, sd_bus_error*)
{
    return sd_bus_message_append(reply, "b", targetOf(userdata).nowPlaying().hasSong ? 1 : 0);
}

int getPosition(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* userdata, sd_bus_error*)
{
    return sd_bus_message_append(reply, "x", targetOf(userdata).nowPlaying().positionUs);
}

int getMetadata(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* userdata, sd_bus_error*)
{
    const NowPlaying now = targetOf(userdata).nowPlaying();
    int result = sd_bus_message_open_container(reply, 'a', "{sv}");
    if (result >= 0) {
        result = sd_bus_message_append(reply, "{sv}", "mpris:trackid", "o", trackId(now).c_str());
    }
    if (result >= 0 && now.hasSong) {
        const std::string title = validUtf8(now.title);
        const std::string url = fileUri(now.path);
        result = sd_bus_message_append(reply, "{sv}{sv}{sv}", "mpris:length", "x", now.lengthUs, "xesam:title", "s",
                                       title.c_str(), "xesam:url", "s", url.c_str());
    }
    if (result >= 0 && now.hasSong && now.playlistLength > 0) {
        // The place in the playlist, as a track number of an album of playlistLength tracks.
        result = sd_bus_message_append(reply, "{sv}{sv}", "xesam:trackNumber", "i",
                                       static_cast<int32_t>(now.playlistPosition), "quorva:playlistLength", "i",
                                       static_cast<int32_t>(now.playlistLength));
    }
    return result >= 0 ? sd_bus_message_close_container(reply) : result;
}

int getCanGoNext(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* userdata, sd_bus_error*)
{
    return sd_bus_message_append(reply, "b", targetOf(userdata).nowPlaying().canGoNext ? 1 : 0);
}

int getCanGoPrevious(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* userdata, sd_bus_error*)
{
    return sd_bus_message_append(reply, "b", targetOf(userdata).nowPlaying().canGoPrevious ? 1 : 0);
}

const char* loopName(LoopStatus loop)
{
    switch (loop) {
    case LoopStatus::None: return "None";
    case LoopStatus::Track: return "Track";
    case LoopStatus::Playlist: return "Playlist";
    }
    return "None";
}

int getLoop(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* userdata, sd_bus_error*)
{
    return sd_bus_message_append(reply, "s", loopName(targetOf(userdata).nowPlaying().loop));
}

int setLoop(sd_bus*, const char*, const char*, const char*, sd_bus_message* value, void* userdata, sd_bus_error* error)
{
    const char* name = nullptr;
    const int result = sd_bus_message_read(value, "s", &name);
    if (result < 0) {
        return result;
    }
    for (LoopStatus loop : {LoopStatus::None, LoopStatus::Track, LoopStatus::Playlist}) {
        if (name != nullptr && std::string_view(name) == loopName(loop)) {
            targetOf(userdata).setLoop(loop);
            return 1;
        }
    }
    return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "LoopStatus is None, Track or Playlist");
}

int getShuffle(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* userdata, sd_bus_error*)
{
    return sd_bus_message_append(reply, "b", targetOf(userdata).nowPlaying().shuffle ? 1 : 0);
}

int setShuffle(sd_bus*, const char*, const char*, const char*, sd_bus_message* value, void* userdata, sd_bus_error*)
{
    int on = 0;
    const int result = sd_bus_message_read(value, "b", &on);
    if (result < 0) {
        return result;
    }
    targetOf(userdata).setShuffle(on != 0);
    return 1;
}

int getVolume(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* userdata, sd_bus_error*)
{
    return sd_bus_message_append(reply, "d", targetOf(userdata).nowPlaying().volumePercent / 100.0);
}

// MPRIS volumes run 0.0-1.0 (more is clamped); the player keeps whole percents.
int setVolume(sd_bus*, const char*, const char*, const char*, sd_bus_message* value, void* userdata, sd_bus_error*)
{
    double volume = 0;
    const int result = sd_bus_message_read(value, "d", &volume);
    if (result < 0) {
        return result;
    }
    if (!std::isfinite(volume)) {
        return -EINVAL;
    }
    targetOf(userdata).setVolume(static_cast<int32_t>(std::lround(std::clamp(volume, 0.0, 1.0) * 100)));
    return 1;
}

int replyEmpty(sd_bus_message* message) { return sd_bus_reply_method_return(message, ""); }

int callIgnored(sd_bus_message* message, void*, sd_bus_error*) { return replyEmpty(message); }

int callPlay(sd_bus_message* message, void* userdata, sd_bus_error*)
{
    targetOf(userdata).play();
    return replyEmpty(message);
}

int callPause(sd_bus_message* message, void* userdata, sd_bus_error*)
{
    targetOf(userdata).pause();
    return replyEmpty(message);
}

int callPlayPause(sd_bus_message* message, void* userdata, sd_bus_error*)
{
    targetOf(userdata).playPause();
    return replyEmpty(message);
}

int callStop(sd_bus_message* message, void* userdata, sd_bus_error*)
{
    targetOf(userdata).stop();
    return replyEmpty(message);
}

int callOpenUri(sd_bus_message* message, void* userdata, sd_bus_error* error)
{
    const char* uri = nullptr;
    const int result = sd_bus_message_read(message, "s", &uri);
    if (result < 0) {
        return result;
    }
    const std::string path = pathOfFileUri(uri != nullptr ? uri : "");
    if (path.empty()) {
        return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "only file:// URIs of songs can be opened");
    }
    targetOf(userdata).openPath(path);
    return replyEmpty(message);
}

// Seek moves by an offset; a point past the song's end ends it, as the last song's next does.
int callSeek(sd_bus_message* message, void* userdata, sd_bus_error*)
{
    int64_t offsetUs = 0;
    const int result = sd_bus_message_read(message, "x", &offsetUs);
    if (result < 0) {
        return result;
    }
    const NowPlaying now = targetOf(userdata).nowPlaying();
    if (now.hasSong) {
        targetOf(userdata).seekTo(std::max<int64_t>(0, now.positionUs + offsetUs));
    }
    return replyEmpty(message);
}

// SetPosition is ignored unless it names the song playing and a point within it.
int callSetPosition(sd_bus_message* message, void* userdata, sd_bus_error*)
{
    const char* track = nullptr;
    int64_t positionUs = 0;
    const int result = sd_bus_message_read(message, "ox", &track, &positionUs);
    if (result < 0) {
        return result;
    }
    const NowPlaying now = targetOf(userdata).nowPlaying();
    if (now.hasSong && track != nullptr && trackId(now) == track && positionUs >= 0 && positionUs <= now.lengthUs) {
        targetOf(userdata).seekTo(positionUs);
    }
    return replyEmpty(message);
}

int callNext(sd_bus_message* message, void* userdata, sd_bus_error*)
{
    targetOf(userdata).next();
    return replyEmpty(message);
}

int callPrevious(sd_bus_message* message, void* userdata, sd_bus_error*)
{
    targetOf(userdata).previous();
    return replyEmpty(message);
}

const sd_bus_vtable rootTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Raise", "", "", callIgnored, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Quit", "", "", callIgnored, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_PROPERTY("CanQuit", "b", getFalse, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("CanRaise", "b", getFalse, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("HasTrackList", "b", getFalse, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("Identity", "s", getIdentity, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("DesktopEntry", "s", getIdentity, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("SupportedUriSchemes", "as", getSchemes, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("SupportedMimeTypes", "as", getMimeTypes, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_VTABLE_END,
};

const sd_bus_vtable playerTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Next", "", "", callNext, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Previous", "", "", callPrevious, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Pause", "", "", callPause, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("PlayPause", "", "", callPlayPause, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Stop", "", "", callStop, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Play", "", "", callPlay, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Seek", "x", "", callSeek, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("SetPosition", "ox", "", callSetPosition, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("OpenUri", "s", "", callOpenUri, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_PROPERTY("PlaybackStatus", "s", getStatus, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
    SD_BUS_PROPERTY("Rate", "d", getOne, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("Metadata", "a{sv}", getMetadata, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
    SD_BUS_WRITABLE_PROPERTY("Volume", "d", getVolume, setVolume, 0,
                             SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE | SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_WRITABLE_PROPERTY("LoopStatus", "s", getLoop, setLoop, 0,
                             SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE | SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_WRITABLE_PROPERTY("Shuffle", "b", getShuffle, setShuffle, 0,
                             SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE | SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_PROPERTY("Position", "x", getPosition, 0, 0),
    SD_BUS_PROPERTY("MinimumRate", "d", getOne, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("MaximumRate", "d", getOne, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("CanGoNext", "b", getCanGoNext, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
    SD_BUS_PROPERTY("CanGoPrevious", "b", getCanGoPrevious, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
    SD_BUS_PROPERTY("CanPlay", "b", getHasSong, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
    SD_BUS_PROPERTY("CanPause", "b", getHasSong, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
    SD_BUS_PROPERTY("CanSeek", "b", getHasSong, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
    SD_BUS_PROPERTY("CanControl", "b", getTrue, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_VTABLE_END,
};

// What PropertiesChanged reports; the position moves by itself and is read when asked.
struct Announced {
    PlaybackStatus status = PlaybackStatus::Stopped;
    bool hasSong = false;
    std::string path;
    std::string title;
    int64_t lengthUs = 0;
    size_t playlistPosition = 0;
    size_t playlistLength = 0;
    bool canGoNext = false;
    bool canGoPrevious = false;
    LoopStatus loop = LoopStatus::None;
    bool shuffle = false;
    int32_t volumePercent = 100;
    bool operator==(const Announced&) const = default;
};

Announced announcedOf(const NowPlaying& now)
{
    return {now.status,     now.hasSong,        now.path,          now.title,
            now.lengthUs,   now.playlistPosition, now.playlistLength, now.canGoNext,
            now.canGoPrevious, now.loop,        now.shuffle,       now.volumePercent};
}

}  // namespace

struct MprisService::Connection {
    sd_bus* bus = nullptr;
    sd_bus_slot* root = nullptr;
    sd_bus_slot* player = nullptr;
    sd_bus_slot* nameRequest = nullptr;
    Announced last;
    uint32_t lastSeekCount = 0;

    ~Connection()
    {
        sd_bus_slot_unref(nameRequest);
        sd_bus_slot_unref(player);
        sd_bus_slot_unref(root);
        // Whatever is still queued goes out without waiting on the bus.
        sd_bus_close_unref(bus);
    }
};

MprisService::MprisService(MediaPlayerTarget& target) : target_(target) {}

MprisService::~MprisService() { stop(); }

bool MprisService::running() const { return connection_ != nullptr; }

bool MprisService::start()
{
    stop();
    auto connection = std::make_unique<Connection>();
    if (sd_bus_open_user(&connection->bus) < 0) {
        return false;
    }
    void* target = &target_;
    if (sd_bus_add_object_vtable(connection->bus, &connection->root, objectPath, rootInterface, rootTable, target) < 0 ||
        sd_bus_add_object_vtable(connection->bus, &connection->player, objectPath, playerInterface, playerTable,
                                 target) < 0 ||
        sd_bus_request_name_async(connection->bus, &connection->nameRequest, busName, 0, nullptr, nullptr) < 0) {
        return false;
    }
    const NowPlaying now = target_.nowPlaying();
    connection->last = announcedOf(now);
    connection->lastSeekCount = now.seekCount;
    connection_ = std::move(connection);
    return true;
}

void MprisService::serve()
{
    if (!connection_) {
        return;
    }
    // Bounded, so that a chatty bus cannot hold up a frame.
    for (int i = 0; i < 64; ++i) {
        const int result = sd_bus_process(connection_->bus, nullptr);
        if (result < 0) {
            // The bus went away: the player goes on without it.
            stop();
            return;
        }
        if (result == 0) {
            break;
        }
    }
    const NowPlaying playing = target_.nowPlaying();
    if (playing.seekCount != connection_->lastSeekCount) {
        // Playback jumped (from here, the keys, the progress bar or the control socket):
        // where to, since the position is otherwise read when asked.
        connection_->lastSeekCount = playing.seekCount;
        sd_bus_emit_signal(connection_->bus, objectPath, playerInterface, "Seeked", "x", static_cast<int64_t>(playing.positionUs));
    }
    const Announced now = announcedOf(playing);
    if (now == connection_->last) {
        return;
    }
    connection_->last = now;
    sd_bus_emit_properties_changed(connection_->bus, objectPath, playerInterface, "PlaybackStatus", "Metadata",
                                   "CanPlay", "CanPause", "CanSeek", "CanGoNext", "CanGoPrevious", "LoopStatus",
                                   "Shuffle", "Volume", nullptr);
}

void MprisService::stop() { connection_.reset(); }

std::string fileUri(std::string_view path)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : path) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '.' || c == '_' || c == '~' || c == '/';
        if (plain) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    return uri;
}

std::string pathOfFileUri(std::string_view uri)
{
    constexpr std::string_view scheme = "file://";
    if (!uri.starts_with(scheme)) {
        return {};
    }
    uri.remove_prefix(scheme.size());
    // An authority, if any, must be the local host.
    if (!uri.starts_with('/')) {
        constexpr std::string_view localhost = "localhost/";
        if (!uri.starts_with(localhost)) {
            return {};
        }
        uri.remove_prefix(localhost.size() - 1);
    }
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') {
            return c - '0';
        }
        if (c >= 'a' && c <= 'f') {
            return c - 'a' + 10;
        }
        if (c >= 'A' && c <= 'F') {
            return c - 'A' + 10;
        }
        return -1;
    };
    std::string path;
    for (size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size() && digit(uri[i + 1]) >= 0 && digit(uri[i + 2]) >= 0) {
            const char byte = static_cast<char>(digit(uri[i + 1]) * 16 + digit(uri[i + 2]));
            if (byte == '\0') {
                return {};
            }
            path += byte;
            i += 2;
        } else {
            path += uri[i];
        }
    }
    return path;
}

std::string validUtf8(std::string_view text)
{
    std::string valid;
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
        bool ok = length != 0 && i + length <= text.size() && lead != 0xC0 && lead != 0xC1 && lead <= 0xF4;
        for (size_t k = 1; ok && k < length; ++k) {
            ok = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        }
        if (ok && length == 3) {
            const auto second = static_cast<unsigned char>(text[i + 1]);
            ok = !(lead == 0xE0 && second < 0xA0) && !(lead == 0xED && second >= 0xA0);
        }
        if (ok && length == 4) {
            const auto second = static_cast<unsigned char>(text[i + 1]);
            ok = !(lead == 0xF0 && second < 0x90) && !(lead == 0xF4 && second >= 0x90);
        }
        if (ok && lead != 0) {
            valid.append(text.substr(i, length));
            i += length;
        } else {
            valid += "\xEF\xBF\xBD";
            i += 1;
        }
    }
    return valid;
}

}  // namespace quorva
