#pragma once
#include <atomic>

namespace quorva {

// A value written by one thread and read by another without a lock, where a reader needs
// only the old or the new value whole. Reads and writes are relaxed atomics of one word.
template <typename T>
class Relaxed {
public:
    constexpr Relaxed(T value = T{}) : value_(value) {}
    Relaxed(const Relaxed& other) : value_(other.load()) {}
    Relaxed& operator=(const Relaxed& other)
    {
        store(other.load());
        return *this;
    }
    Relaxed& operator=(T value)
    {
        store(value);
        return *this;
    }
    operator T() const { return load(); }
    T load() const { return value_.load(std::memory_order_relaxed); }
    void store(T value) { value_.store(value, std::memory_order_relaxed); }

private:
    std::atomic<T> value_;
};

}  // namespace quorva
