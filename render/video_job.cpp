#include "render/video_job.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace quorva {
namespace {

std::atomic<bool> interruptRequested{false};

extern "C" void onInterrupt(int) { interruptRequested.store(true); }

void catchSignal(int signal, struct sigaction& previous)
{
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, &previous);
}

std::string clock(double seconds)
{
    const auto whole = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

}  // namespace

InterruptCatcher::InterruptCatcher()
{
    interruptRequested.store(false);
    catchSignal(SIGINT, previousInterrupt_);
    catchSignal(SIGTERM, previousTerminate_);
}

InterruptCatcher::~InterruptCatcher()
{
    sigaction(SIGINT, &previousInterrupt_, nullptr);
    sigaction(SIGTERM, &previousTerminate_, nullptr);
}

const std::atomic<bool>& InterruptCatcher::requested() { return interruptRequested; }

bool WorkFiles::create(const std::string& outPath)
{
    out_ = outPath;
    const std::filesystem::path directory = out_.has_parent_path() ? out_.parent_path() : std::filesystem::path(".");
    video_ = directory / ("." + out_.filename().string() + "." + std::to_string(getpid()) + ".part");
    std::ofstream probe(video_, std::ios::binary | std::ios::trunc);
    if (!probe) {
        video_.clear();
        return false;
    }
    std::error_code error;
    std::string pattern = (std::filesystem::temp_directory_path(error) / "quorva-video-XXXXXX").string();
    if (error || mkdtemp(pattern.data()) == nullptr) {
        return false;
    }
    soundDirectory_ = pattern;
    return true;
}

bool WorkFiles::commit()
{
    std::error_code error;
    std::filesystem::rename(video_, out_, error);
    if (!error) {
        video_.clear();
    }
    return !error;
}

void WorkFiles::removeAll()
{
    std::error_code ignored;
    if (!video_.empty()) {
        std::filesystem::remove(video_, ignored);
        video_.clear();
    }
    if (!soundDirectory_.empty()) {
        std::filesystem::remove_all(soundDirectory_, ignored);
        soundDirectory_.clear();
    }
}

ProgressLine::ProgressLine() : terminal_(isatty(STDERR_FILENO) == 1), start_(std::chrono::steady_clock::now()) {}

void ProgressLine::show(const std::string& text)
{
    // Blanks to the end of what a longer line before may have left.
    std::fprintf(stderr, "\rquorva-render: %-60s", text.c_str());
    std::fflush(stderr);
    shown_ = true;
}

void ProgressLine::announce(const std::string& text)
{
    if (terminal_) {
        std::fprintf(stderr, "quorva-render: %s\n", text.c_str());
    }
}

void ProgressLine::frames(uint64_t done, uint64_t total)
{
    const auto now = std::chrono::steady_clock::now();
    if (!framesStarted_) {
        framesStarted_ = true;
        framesStart_ = now;
        lastShown_ = now - std::chrono::seconds(1);
    }
    if (!terminal_ || now - lastShown_ < std::chrono::milliseconds(250)) {
        return;
    }
    lastShown_ = now;
    const double seconds = std::chrono::duration<double>(now - framesStart_).count();
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
    std::string text = std::to_string(total ? done * 100 / total : 100) + "%, ";
    char figures[64];
    std::snprintf(figures, sizeof figures, "%.0f frames per second, ", rate);
    text += figures;
    text += rate > 0 ? clock(static_cast<double>(total - done) / rate) + " left" : "starting";
    show(text);
}

void ProgressLine::finish(const std::string& text)
{
    clear();
    std::fprintf(stderr, "quorva-render: %s\n", text.c_str());
}

void ProgressLine::clear()
{
    if (terminal_ && shown_) {
        std::fprintf(stderr, "\r%-75s\r", "");
        shown_ = false;
    }
}

double ProgressLine::secondsSinceStart() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

}  // namespace quorva
