#include "app/playlist.h"

#include <algorithm>
#include <filesystem>
#include <numeric>
#include <system_error>

namespace quorva {

namespace {

bool digit(char c) { return c >= '0' && c <= '9'; }

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// A run of digits without its leading zeros.
std::string_view digitRun(std::string_view text, size_t& i)
{
    const size_t start = i;
    while (i < text.size() && digit(text[i])) {
        ++i;
    }
    std::string_view run = text.substr(start, i - start);
    while (run.size() > 1 && run.front() == '0') {
        run.remove_prefix(1);
    }
    return run;
}

// Negative, zero or positive as a is before, level with or after b.
int naturalCompare(std::string_view a, std::string_view b)
{
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            const std::string_view x = digitRun(a, i);
            const std::string_view y = digitRun(b, j);
            if (x.size() != y.size()) {
                return x.size() < y.size() ? -1 : 1;
            }
            if (const int order = x.compare(y); order != 0) {
                return order;
            }
            continue;
        }
        const char x = lower(a[i]);
        const char y = lower(b[j]);
        if (x != y) {
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
        }
        ++i;
        ++j;
    }
    return (i < a.size()) - (j < b.size());
}

}  // namespace

std::string_view repeatName(RepeatMode mode)
{
    switch (mode) {
    case RepeatMode::Off: return "off";
    case RepeatMode::One: return "one";
    case RepeatMode::All: return "all";
    }
    return "off";
}

std::optional<RepeatMode> repeatNamed(std::string_view name)
{
    for (RepeatMode mode : {RepeatMode::Off, RepeatMode::One, RepeatMode::All}) {
        if (name == repeatName(mode)) {
            return mode;
        }
    }
    return std::nullopt;
}

bool naturalLess(std::string_view a, std::string_view b)
{
    const int order = naturalCompare(a, b);
    return order != 0 ? order < 0 : a < b;
}

bool isSongFileName(std::string_view name)
{
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) {
        return false;
    }
    std::string extension;
    for (char c : name.substr(dot + 1)) {
        extension += lower(c);
    }
    return extension == "mid" || extension == "midi" || extension == "kar" || extension == "smf";
}

std::vector<std::string> songsInFolder(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        std::error_code kindError;
        if (isSongFileName(name) && entry->is_regular_file(kindError)) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return naturalLess(a, b); });
    std::vector<std::string> songs;
    for (const std::string& name : names) {
        songs.push_back((std::filesystem::path(folder) / name).string());
    }
    return songs;
}

std::vector<std::string> expandFolders(const std::vector<std::string>& paths)
{
    std::vector<std::string> songs;
    for (const std::string& path : paths) {
        std::error_code error;
        const std::vector<std::string> inside =
            std::filesystem::is_directory(path, error) ? songsInFolder(path) : std::vector<std::string>{};
        if (!inside.empty()) {
            songs.insert(songs.end(), inside.begin(), inside.end());
        } else {
            // A folder without songs stays a path, so that its load says why it cannot play.
            songs.push_back(path);
        }
    }
    return songs;
}

void Playlist::replace(std::vector<std::string> songs)
{
    songs_ = std::move(songs);
    order_.resize(songs_.size());
    std::iota(order_.begin(), order_.end(), size_t{0});
    at_ = 0;
    if (shuffle_) {
        std::shuffle(order_.begin(), order_.end(), random_);
    }
}

void Playlist::append(const std::vector<std::string>& songs)
{
    const size_t first = songs_.size();
    songs_.insert(songs_.end(), songs.begin(), songs.end());
    for (size_t i = first; i < songs_.size(); ++i) {
        order_.push_back(i);
    }
    if (shuffle_) {
        // The new songs take random places among those still to come.
        std::shuffle(order_.begin() + static_cast<std::ptrdiff_t>(std::min(at_ + 1, order_.size())), order_.end(),
                     random_);
    }
}

const std::string& Playlist::current() const
{
    static const std::string none;
    return songs_.empty() ? none : songs_[order_[at_]];
}

bool Playlist::hasNext() const { return !songs_.empty() && (at_ + 1 < songs_.size() || repeat_ == RepeatMode::All); }

bool Playlist::hasPrevious() const { return !songs_.empty() && (at_ > 0 || repeat_ == RepeatMode::All); }

bool Playlist::next()
{
    if (!hasNext()) {
        return false;
    }
    at_ = at_ + 1 < songs_.size() ? at_ + 1 : 0;
    return true;
}

bool Playlist::previous()
{
    if (!hasPrevious()) {
        return false;
    }
    at_ = at_ > 0 ? at_ - 1 : songs_.size() - 1;
    return true;
}

bool Playlist::advanceAfterEnd()
{
    if (songs_.empty()) {
        return false;
    }
    return repeat_ == RepeatMode::One || next();
}

void Playlist::cycleRepeat()
{
    repeat_ = repeat_ == RepeatMode::Off ? RepeatMode::All : repeat_ == RepeatMode::All ? RepeatMode::One : RepeatMode::Off;
}

void Playlist::setShuffle(bool on)
{
    if (on == shuffle_) {
        return;
    }
    shuffle_ = on;
    if (songs_.empty()) {
        return;
    }
    const size_t current = order_[at_];
    std::iota(order_.begin(), order_.end(), size_t{0});
    if (on) {
        std::swap(order_[0], order_[current]);
        at_ = 0;
        shuffleAfterCurrent();
    } else {
        at_ = current;
    }
}

void Playlist::shuffleAfterCurrent()
{
    std::shuffle(order_.begin() + static_cast<std::ptrdiff_t>(at_ + 1), order_.end(), random_);
}

}  // namespace quorva
