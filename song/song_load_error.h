#pragma once
#include <cstdint>
#include <string_view>

namespace quorva {

// Why a song could not be loaded.
enum class SongLoadError : uint8_t {
    None,
    Missing,
    Directory,
    NotAFile,
    Unreadable,
    NameTooLong,
    Empty,
    NotSmf,             // no "MThd" at the start
    TruncatedHeader,    // "MThd" and less than its 14 bytes
    HeaderLength,       // a header chunk of other than 6 bytes
    Format2,
    UnknownFormat,      // format 3 and above
    SmpteTiming,
    ZeroDivision,
    OutOfMemory,        // the song does not fit in the memory the program can have
};

// The reason in a few words, for a message naming the file ("not a Standard MIDI File").
std::string_view songLoadReason(SongLoadError error);

// Told of every song that a load could not take, after the old song is gone.
class SongLoadObserver {
public:
    virtual ~SongLoadObserver() = default;
    virtual void songNotLoaded(std::string_view path, SongLoadError error) = 0;
};

}  // namespace quorva
