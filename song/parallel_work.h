#pragma once
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace quorva {

// The threads a load works on: one a core.
inline unsigned loadThreadCount() { return std::max(1u, std::thread::hardware_concurrency()); }

// Runs work(item, worker) for every item 0..count-1, taken in order by `threads` threads at
// once (the calling thread is worker 0), and returns when all are done. Each worker number
// is used by one thread at a time. Where no more threads can be started, fewer do the work.
// The first exception a work item throws (memory running out) ends the handing out of items
// and is thrown again on the calling thread once every thread has stopped.
template <typename Work>
void forEachInParallel(size_t count, unsigned threads, Work&& work)
{
    std::atomic<size_t> next{0};
    std::mutex failureLock;
    std::exception_ptr failure;
    auto worker = [&](unsigned number) {
        try {
            for (size_t item = next.fetch_add(1, std::memory_order_relaxed); item < count;
                 item = next.fetch_add(1, std::memory_order_relaxed)) {
                work(item, number);
            }
        } catch (...) {
            next.store(count, std::memory_order_relaxed);
            std::lock_guard guard(failureLock);
            if (!failure) {
                failure = std::current_exception();
            }
        }
    };
    std::vector<std::thread> helpers;
    const auto wanted = static_cast<unsigned>(std::min<size_t>(threads, count));
    for (unsigned number = 1; number < wanted; ++number) {
        try {
            helpers.emplace_back(worker, number);
        } catch (const std::system_error&) {
            break;
        }
    }
    worker(0);
    for (std::thread& helper : helpers) {
        helper.join();
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

}  // namespace quorva
