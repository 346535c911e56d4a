#pragma once
// What a long export needs around its work: a stop on Ctrl+C, files that appear under the
// output's name only when complete, and a progress line.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <string>

namespace quorva {

// While it lives, SIGINT and SIGTERM set `requested` instead of ending the process.
class InterruptCatcher {
public:
    InterruptCatcher();
    ~InterruptCatcher();
    InterruptCatcher(const InterruptCatcher&) = delete;
    InterruptCatcher& operator=(const InterruptCatcher&) = delete;

    static const std::atomic<bool>& requested();

private:
    struct sigaction previousInterrupt_;
    struct sigaction previousTerminate_;
};

// The files of an export until it completes: the video under a hidden name beside the
// output (so that the rename is atomic), the sound in a directory of its own under the
// system's temporary directory. Everything is removed unless commit() renamed the video.
class WorkFiles {
public:
    WorkFiles() = default;
    ~WorkFiles() { removeAll(); }
    WorkFiles(const WorkFiles&) = delete;
    WorkFiles& operator=(const WorkFiles&) = delete;

    // Creates the hidden video file and the sound directory; false when either cannot be.
    bool create(const std::string& outPath);
    const std::filesystem::path& video() const { return video_; }
    std::filesystem::path sound() const { return soundDirectory_ / "sound.wav"; }
    // Gives the video its name; false when the rename fails.
    bool commit();
    void removeAll();

private:
    std::filesystem::path out_;
    std::filesystem::path video_;
    std::filesystem::path soundDirectory_;
};

// On a terminal, one line on standard error rewritten as the frames are done (their share,
// frames per second and the time left); elsewhere only the final line.
class ProgressLine {
public:
    ProgressLine();
    // A step before the frames, as a line of its own (terminal only), so that an error told
    // while it runs is a line of its own too.
    void announce(const std::string& text);
    // Frames done of all, shown at most four times a second (terminal only).
    void frames(uint64_t done, uint64_t total);
    // Ends the line with the last word, on a terminal or not.
    void finish(const std::string& text);
    // Clears the line before an error is printed.
    void clear();
    double secondsSinceStart() const;

private:
    void show(const std::string& text);

    bool terminal_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point framesStart_;
    std::chrono::steady_clock::time_point lastShown_;
    bool framesStarted_ = false;
};

}  // namespace quorva
