// bench_song_memory: what one loaded song costs the whole process. Reads the resident size
// (VmRSS of /proc/self/status) before and after loading, and times the load (wall clock
// and the processor time of all threads, so that the cores used show).
//   bench_song_memory SONG.mid [--loads N]
// With --loads the song is loaded N times and each time printed (the first load pays for
// the file's pages; the later ones show a song replaced by itself).
// Make the songs with bench_dense_song --notes N --tracks T SONG.mid; bench/song_memory.sh
// runs the usual sizes.
#include "song/smf_file.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>

namespace {

// A field of /proc/self/status in kB ("VmRSS", "VmHWM"); 0 when it cannot be read.
long statusKilobytes(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t length = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, length, field) == 0 && line.size() > length && line[length] == ':') {
            return std::strtol(line.c_str() + length + 1, nullptr, 10);
        }
    }
    return 0;
}

double processorSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_song_memory SONG.mid [--loads N]\n");
        return 2;
    }
    const std::string path = argv[1];
    int loads = 1;
    if (argc >= 4 && std::strcmp(argv[2], "--loads") == 0) {
        loads = std::max(1, std::atoi(argv[3]));
    }
    quorva::SmfFile song;
    const long before = statusKilobytes("VmRSS");
    std::printf("song: %s\nresident without a song: %ld kB\n", path.c_str(), before);
    for (int load = 0; load < loads; ++load) {
        const auto start = std::chrono::steady_clock::now();
        const double processorStart = processorSeconds();
        if (!song.load(path)) {
            std::fprintf(stderr, "cannot load %s\n", path.c_str());
            return 1;
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double processor = processorSeconds() - processorStart;
        const long after = statusKilobytes("VmRSS");
        const double events = static_cast<double>(song.events().size());
        std::printf("load %d: events %.0f, load %.3f s (processor %.3f s, %.2f cores), resident %ld kB, "
                    "%.2f bytes per event, peak %ld kB\n",
                    load + 1, events, seconds, processor, processor / seconds, after,
                    static_cast<double>(after - before) * 1024.0 / events, statusKilobytes("VmHWM"));
    }
    return 0;
}
