#pragma once
#include "platform/message_box.h"
#include "song/smf_file.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace quorva {

class Sequencer;
class SongLoadObserver;

// The messages a load shows, kept until the frame's thread shows them: a load runs on a
// thread of its own, and a modal box belongs to the thread that runs the window.
class DeferredMessageBox final : public MessageBox {
public:
    explicit DeferredMessageBox(MessageBox& shown) : shown_(shown) {}
    void show(std::string_view text) override;
    // Shows what waits; the frame's thread.
    void showWaiting();

private:
    MessageBox& shown_;
    std::mutex lock_;
    std::vector<std::string> waiting_;
};

// Loads big songs on a thread of its own, so that the frames go on (and the song playing
// plays on) while such a song is read, and starts each in the sequencer once it is loaded, as
// Sequencer::loadAndPlay does at once. A small song (or a path that is no file) loads at once,
// in about the time of two frames, as before: whoever asked sees it playing (or failed) on
// return. The sequencer's song and a spare take turns: a song loads into the spare, the
// sequencer switches to it, and the song played before becomes the spare, cleared on the
// loader's thread (freeing a big song's memory costs the frames nothing). Every call is the
// frame's thread's.
class SongLoader {
public:
    // How a song is loaded on the loader's thread; the default is SmfFile::load.
    using LoadFunction = std::function<bool(SmfFile& song, const std::string& path)>;

    // Both songs outlive the loader. Failures go to `observer` on the frame's thread; the
    // songs' messages, when they were made with `messages`, are shown there too.
    SongLoader(Sequencer& sequencer, SmfFile& spare, SongLoadObserver* observer,
               DeferredMessageBox* messages = nullptr);
    ~SongLoader();
    SongLoader(const SongLoader&) = delete;
    SongLoader& operator=(const SongLoader&) = delete;

    void setLoadFunction(LoadFunction load) { loadFunction_ = std::move(load); }
    // Songs of at most this many bytes load at once; 1 MiB (some 300,000 events, two frames'
    // time to load on this machine) unless set.
    void setAtOnceBytes(uintmax_t bytes) { atOnceBytes_ = bytes; }
    // Run first on the loader's thread (a lower priority, say).
    void setThreadStart(std::function<void()> start) { threadStart_ = std::move(start); }
    // Run on the loader's thread once the song played before is cleared (handing its memory
    // back to the system, say).
    void setAfterClear(std::function<void()> afterClear) { afterClear_ = std::move(afterClear); }

    // Loads the song at once and returns whether it plays, or starts loading it on the
    // loader's thread and returns nothing. A load in flight is let finish and thrown away:
    // the newest request is the one that plays.
    std::optional<bool> load(std::string path);
    // Once a frame: when the load has ended, the sequencer plays its song (or shows why it
    // failed) and the outcome is returned; nothing while it goes on.
    std::optional<bool> finish();
    // A song requested and not yet played.
    bool loading() const { return requested_.has_value(); }
    // The song requested last, while loading.
    const std::string& path() const { return *requested_; }
    // How far the load in flight has come, in thousandths.
    uint32_t progressPermille() const { return progress_.load(); }

private:
    enum class Job : uint8_t { None, Load, Clear };

    void start(Job job, std::string path);
    void join();

    Sequencer& sequencer_;
    SmfFile* spare_;
    SongLoadObserver* observer_;
    DeferredMessageBox* messages_;
    LoadFunction loadFunction_;
    std::function<void()> threadStart_;
    std::function<void()> afterClear_;
    std::optional<std::string> requested_;
    uintmax_t atOnceBytes_ = 1024 * 1024;
    Job job_ = Job::None;
    std::string jobPath_;
    std::thread thread_;
    std::atomic<bool> jobDone_{false};
    bool loadResult_ = false;  // written by the job before jobDone_
    std::atomic<uint32_t> progress_{0};
};

}  // namespace quorva
