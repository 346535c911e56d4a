#include "app/song_loader.h"

#include "base/file_reader.h"
#include "song/sequencer.h"
#include "song/song_load_error.h"

#include <filesystem>

namespace quorva {

void DeferredMessageBox::show(std::string_view text)
{
    std::lock_guard guard(lock_);
    waiting_.emplace_back(text);
}

void DeferredMessageBox::showWaiting()
{
    std::vector<std::string> texts;
    {
        std::lock_guard guard(lock_);
        texts.swap(waiting_);
    }
    for (const std::string& text : texts) {
        shown_.show(text);
    }
}

SongLoader::SongLoader(Sequencer& sequencer, SmfFile& spare, SongLoadObserver* observer, DeferredMessageBox* messages)
    : sequencer_(sequencer), spare_(&spare), observer_(observer), messages_(messages),
      loadFunction_([](SmfFile& song, const std::string& path) { return song.load(path); })
{
    // The spare reports nothing on the loader's thread; finish() does on the frame's.
    spare.setLoadObserver(nullptr);
    spare.setLoadProgress(&progress_);
}

SongLoader::~SongLoader() { join(); }

void SongLoader::join()
{
    if (thread_.joinable()) {
        thread_.join();
    }
}

void SongLoader::start(Job job, std::string path)
{
    join();
    job_ = job;
    jobPath_ = std::move(path);
    jobDone_.store(false);
    progress_.store(0);
    thread_ = std::thread([this, job] {
        if (threadStart_) {
            threadStart_();
        }
        if (job == Job::Load) {
            loadResult_ = loadFunction_(*spare_, jobPath_);
        } else {
            spare_->clear();
            if (afterClear_) {
                afterClear_();
            }
        }
        jobDone_.store(true);
    });
}

std::optional<bool> SongLoader::load(std::string path)
{
    std::error_code error;
    const uintmax_t bytes = std::filesystem::file_size(unquotePath(path), error);
    if (error || bytes <= atOnceBytes_) {
        requested_.reset();  // a load in flight is thrown away when it ends
        return sequencer_.loadAndPlay(path);
    }
    requested_ = std::move(path);
    if (job_ == Job::None) {
        start(Job::Load, *requested_);
    }
    return std::nullopt;
}

std::optional<bool> SongLoader::finish()
{
    if (messages_ != nullptr) {
        messages_->showWaiting();
    }
    if (job_ == Job::None || !jobDone_.load()) {
        return std::nullopt;
    }
    join();
    const Job ended = job_;
    job_ = Job::None;
    if (ended == Job::Clear || jobPath_ != requested_) {
        // Another song was asked for meanwhile: it loads now, into the spare again. A song
        // loaded at once meanwhile leaves the one loaded here to be cleared.
        if (requested_) {
            start(Job::Load, *requested_);
        } else if (ended == Job::Load) {
            start(Job::Clear, {});
        }
        return std::nullopt;
    }
    SmfFile& loaded = *spare_;
    SmfFile& previous = sequencer_.song();
    // Loads on the frame's thread (Sequencer::load) report to the observer themselves; the
    // loader's own do it here, off the loader's thread.
    loaded.setLoadObserver(observer_);
    previous.setLoadObserver(nullptr);
    previous.setLoadProgress(&progress_);
    const bool played = sequencer_.playLoaded(loaded);
    spare_ = &previous;
    requested_.reset();
    if (!played && observer_ != nullptr) {
        observer_->songNotLoaded(loaded.failedPath(), loaded.loadError());
    }
    start(Job::Clear, {});
    return played;
}

}  // namespace quorva
