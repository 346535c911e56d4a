#pragma once
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace quorva {

// One thread that runs jobs in the order they were posted, for the work that may take long
// (opening or closing an output whose device went away) and so must not run on the frame
// loop or the timer thread. The thread starts with the first job and ends with the worker.
class BackgroundWorker {
public:
    BackgroundWorker() = default;
    ~BackgroundWorker();
    BackgroundWorker(const BackgroundWorker&) = delete;
    BackgroundWorker& operator=(const BackgroundWorker&) = delete;

    void post(std::function<void()> job);
    // Returns once every job posted so far has run.
    void drain();
    // Whether a job is queued or running.
    bool busy() const;

private:
    void run();

    mutable std::mutex lock_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> jobs_;
    bool running_ = false;  // a job is being run
    bool ending_ = false;
    std::thread thread_;
};

}  // namespace quorva
