#include "ports/background_worker.h"

namespace quorva {

BackgroundWorker::~BackgroundWorker()
{
    {
        std::lock_guard guard(lock_);
        ending_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void BackgroundWorker::post(std::function<void()> job)
{
    {
        std::lock_guard guard(lock_);
        jobs_.push_back(std::move(job));
        if (!thread_.joinable()) {
            thread_ = std::thread([this] { run(); });
        }
    }
    changed_.notify_all();
}

void BackgroundWorker::drain()
{
    std::unique_lock guard(lock_);
    changed_.wait(guard, [this] { return jobs_.empty() && !running_; });
}

bool BackgroundWorker::busy() const
{
    std::lock_guard guard(lock_);
    return !jobs_.empty() || running_;
}

void BackgroundWorker::run()
{
    std::unique_lock guard(lock_);
    while (true) {
        changed_.wait(guard, [this] { return ending_ || !jobs_.empty(); });
        // The jobs posted before the end still run: they close what they were given.
        if (jobs_.empty()) {
            return;
        }
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        running_ = true;
        guard.unlock();
        job();
        guard.lock();
        running_ = false;
        changed_.notify_all();
    }
}

}  // namespace quorva
