#include "windows/pulse_sink.h"

#include <cmath>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace quorva::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Starts a native program with `variables` added to this process's environment, its output
// to `output`; -1 when it cannot start.
int spawn(const std::vector<std::string>& arguments, const std::vector<std::string>& variables, const fs::path& output)
{
    std::vector<std::string> entries(variables);
    for (char** entry = environ; *entry != nullptr; ++entry) {
        entries.emplace_back(*entry);
    }
    std::vector<char*> envp;
    for (auto& entry : entries) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    std::vector<std::string> copies(arguments);
    std::vector<char*> argv;
    for (auto& argument : copies) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, (output.string() + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

void end(int& pid)
{
    if (pid <= 0) {
        return;
    }
    kill(pid, SIGTERM);
    for (int i = 0; i < 500 && waitpid(pid, nullptr, WNOHANG) != pid; ++i) {
        std::this_thread::sleep_for(10ms);
        if (i == 499) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    pid = -1;
}

// The strength of one frequency in the samples (Goertzel).
double strength(const std::vector<double>& samples, double hz)
{
    const double coefficient = 2.0 * std::cos(2.0 * M_PI * hz / 44100.0);
    double previous = 0;
    double beforePrevious = 0;
    for (const double sample : samples) {
        const double current = sample + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
    }
    return previous * previous + beforePrevious * beforePrevious - coefficient * previous * beforePrevious;
}

}  // namespace

PulseSink::PulseSink(const fs::path& directory) : directory_(directory)
{
    fs::create_directories(directory_ / "home");
    fs::create_directories(directory_ / "runtime");
    const fs::path socket = directory_ / "runtime" / "native";
    // The sink first: once the socket exists, the sink does too.
    server_ = spawn({"pulseaudio", "--daemonize=no", "-n", "--exit-idle-time=-1", "--disallow-exit",
                     "--use-pid-file=no", "--log-target=stderr", "-L",
                     std::string("module-null-sink sink_name=") + sinkName + " rate=44100 channels=2 format=s16le",
                     "-L", "module-native-protocol-unix auth-anonymous=1 socket=" + socket.string()},
                    {"HOME=" + (directory_ / "home").string(), "XDG_RUNTIME_DIR=" + (directory_ / "runtime").string()},
                    directory_ / "pulseaudio.out");
    for (int i = 0; i < 1000 && server_ > 0 && !fs::exists(socket); ++i) {
        std::this_thread::sleep_for(10ms);
    }
    if (server_ <= 0 || !fs::exists(socket)) {
        std::ifstream errors(directory_ / "pulseaudio.out.err");
        failure_ = "pulseaudio did not start: " + std::string(std::istreambuf_iterator<char>(errors), {});
    }
}

PulseSink::~PulseSink()
{
    end(recorder_);
    end(server_);
}

std::string PulseSink::serverAddress() const
{
    return "unix:" + (directory_ / "runtime" / "native").string();
}

bool PulseSink::startRecording()
{
    end(recorder_);
    recording_ = directory_ / "recording.raw";
    recorder_ = spawn({"parec", "--server=" + serverAddress(), "--device=" + std::string(sinkName) + ".monitor",
                       "--format=s16le", "--rate=44100", "--channels=2", "--raw", "--latency-msec=20"},
                      {}, recording_);
    // The monitor delivers silence while nothing plays: the first bytes say it records.
    for (int i = 0; i < 500 && recorder_ > 0; ++i) {
        std::error_code error;
        if (fs::file_size(recording_, error) > 0 && !error) {
            return true;
        }
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

std::vector<int16_t> PulseSink::stopRecording()
{
    end(recorder_);
    std::ifstream in(recording_, std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(in), {});
    std::vector<int16_t> samples(bytes.size() / 4 * 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(int16_t));
    return samples;
}

SoundMeasure measureSound(const std::vector<int16_t>& stereo, int threshold)
{
    SoundMeasure measure;
    size_t first = stereo.size();
    size_t last = 0;
    for (size_t i = 0; i < stereo.size(); i += 2) {
        if (std::abs(stereo[i]) > threshold) {
            first = std::min(first, i / 2);
            last = i / 2;
        }
    }
    if (first >= last) {
        return measure;
    }
    measure.seconds = static_cast<double>(last - first) / 44100.0;
    double sum = 0;
    for (size_t frame = first; frame <= last; ++frame) {
        sum += static_cast<double>(stereo[2 * frame]) * stereo[2 * frame];
    }
    measure.rms = std::sqrt(sum / static_cast<double>(last - first + 1));
    const size_t middle = (first + last) / 2;
    const size_t from = middle > 11025 + first ? middle - 11025 : first;
    std::vector<double> window;
    for (size_t frame = from; frame < std::min(from + 22050, last); ++frame) {
        window.push_back(stereo[2 * frame]);
    }
    double strongest = -1;
    for (int hz = 50; hz <= 2000; ++hz) {
        const double value = strength(window, hz);
        if (value > strongest) {
            strongest = value;
            measure.dominantHz = hz;
        }
    }
    return measure;
}

std::vector<int16_t> readWavSamples(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(in), {});
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) {
        return {};
    }
    for (size_t at = 12; at + 8 <= bytes.size();) {
        uint32_t size = 0;
        std::memcpy(&size, bytes.data() + at + 4, 4);
        if (bytes.compare(at, 4, "data") == 0) {
            const size_t count = std::min<size_t>(size, bytes.size() - at - 8) / 2;
            std::vector<int16_t> samples(count);
            std::memcpy(samples.data(), bytes.data() + at + 8, count * 2);
            return samples;
        }
        at += 8 + size + (size & 1);
    }
    return {};
}

}  // namespace quorva::testing
