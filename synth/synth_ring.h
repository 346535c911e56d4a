#pragma once
#include <cstdint>
#include <vector>

namespace quorva {

// A fixed ring of pointers with two positions and a wrap counter. The counter goes up when
// the first position wraps to the start and down when the second one does, so with the two
// positions equal it tells whether the first side is a whole lap ahead (1) or not (0).
//
// Used as a pool of free slots: take from the first side, give back on the second; a lap
// ahead = nothing free. Storage is allocated by `reset`, never while in use.
template <typename T>
class SlotRing {
public:
    // Capacity `size`, both positions at the start, counter 0, every entry null.
    void reset(uint32_t size)
    {
        entries_.assign(size, nullptr);
        first_ = second_ = 0;
        wraps_ = 0;
    }
    void release()
    {
        entries_.clear();
        entries_.shrink_to_fit();
        first_ = second_ = 0;
        wraps_ = 0;
    }
    uint32_t capacity() const { return static_cast<uint32_t>(entries_.size()); }
    // How far the first side is ahead of the second: slots taken.
    uint32_t size() const { return static_cast<uint32_t>(wraps_ * static_cast<int32_t>(capacity()) + static_cast<int32_t>(first_) - static_cast<int32_t>(second_)); }

    bool firstLapAhead() const { return first_ == second_ && wraps_ == 1; }

    // Pool use: every slot free, in the given order.
    void fillFree(T* slots, uint32_t count)
    {
        reset(count);
        for (uint32_t i = 0; i < count; ++i) {
            entries_[i] = &slots[i];
        }
    }
    T* take()
    {
        if (entries_.empty() || firstLapAhead()) {
            return nullptr;
        }
        return readFirst();
    }
    void give(T* slot) { writeSecond(slot); }

private:
    T* readFirst()
    {
        T* item = entries_[first_];
        advanceFirst();
        return item;
    }
    void writeSecond(T* item)
    {
        entries_[second_] = item;
        advanceSecond();
    }
    void advanceFirst()
    {
        if (++first_ == entries_.size()) {
            first_ = 0;
            ++wraps_;
        }
    }
    void advanceSecond()
    {
        if (++second_ == entries_.size()) {
            second_ = 0;
            --wraps_;
        }
    }

    std::vector<T*> entries_;
    uint32_t first_ = 0;
    uint32_t second_ = 0;
    int32_t wraps_ = 0;
};

}  // namespace quorva
