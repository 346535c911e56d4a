#pragma once
#include <algorithm>
#include <atomic>
#include <cstdint>

namespace quorva {

// Where the stages of a song's load end, in thousandths: reading the file, decoding its tracks
// and merging them; preparing the merged events takes the rest.
inline constexpr uint32_t stageRead = 50;
inline constexpr uint32_t stageDecoded = 600;
inline constexpr uint32_t stageMerged = 900;

// A load's progress in thousandths, told to whoever watches it (a display on another thread)
// from any of the load's threads. It never goes back: each report is a stage's share, from
// `from` to `to` thousandths, of what that stage has done.
class LoadProgress {
public:
    explicit LoadProgress(std::atomic<uint32_t>* permille) : permille_(permille)
    {
        if (permille_ != nullptr) {
            permille_->store(0, std::memory_order_relaxed);
        }
    }

    void report(uint32_t from, uint32_t to, uint64_t done, uint64_t total)
    {
        if (permille_ == nullptr) {
            return;
        }
        const uint64_t part = total == 0 ? 1000 : std::min<uint64_t>(done, total) * 1000 / total;
        publish(from + static_cast<uint32_t>((to - from) * part / 1000));
    }
    void finish() { publish(1000); }

private:
    void publish(uint32_t value)
    {
        if (permille_ == nullptr) {
            return;
        }
        uint32_t shown = permille_->load(std::memory_order_relaxed);
        while (value > shown && !permille_->compare_exchange_weak(shown, value, std::memory_order_relaxed)) {
        }
    }

    std::atomic<uint32_t>* permille_;
};

}  // namespace quorva
