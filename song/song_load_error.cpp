#include "song/song_load_error.h"

namespace quorva {

std::string_view songLoadReason(SongLoadError error)
{
    switch (error) {
    case SongLoadError::None: return "";
    case SongLoadError::Missing: return "no such file";
    case SongLoadError::Directory: return "a directory, not a file";
    case SongLoadError::NotAFile: return "not a regular file";
    case SongLoadError::Unreadable: return "cannot be read";
    case SongLoadError::NameTooLong: return "path too long";
    case SongLoadError::Empty: return "empty file";
    case SongLoadError::NotSmf: return "not a Standard MIDI File";
    case SongLoadError::TruncatedHeader: return "truncated header";
    case SongLoadError::HeaderLength: return "unsupported header length";
    case SongLoadError::Format2: return "format 2 is not supported";
    case SongLoadError::UnknownFormat: return "unknown format";
    case SongLoadError::SmpteTiming: return "SMPTE time division is not supported";
    case SongLoadError::ZeroDivision: return "time division of 0";
    case SongLoadError::OutOfMemory: return "too big for the memory available";
    }
    return "";
}

}  // namespace quorva
