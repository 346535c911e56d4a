#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace quorva {

// The memory of one loaded song's events and their bytes: bump allocation in large blocks,
// all given back at once when the song is cleared. Saves a heap allocation per event.
class EventArena {
public:
    template <typename T, typename... Args>
    T* make(Args&&... args)
    {
        void* memory = allocate(sizeof(T), alignof(T));
        return new (memory) T(std::forward<Args>(args)...);
    }

    uint8_t* copyBytes(const uint8_t* bytes, size_t count, size_t extraZeros = 0)
    {
        auto* memory = static_cast<uint8_t*>(allocate(count + extraZeros, 1));
        if (count > 0) {
            std::memcpy(memory, bytes, count);
        }
        std::memset(memory + count, 0, extraZeros);
        return memory;
    }

    // Keeps the first block so that loading song after song reuses it.
    void reset()
    {
        if (blocks_.size() > 1) {
            blocks_.resize(1);
        }
        used_ = 0;
    }

    size_t bytesReserved() const
    {
        size_t total = 0;
        for (const auto& block : blocks_) {
            total += block.size;
        }
        return total;
    }

private:
    struct Block {
        std::unique_ptr<std::byte[]> memory;
        size_t size = 0;
    };
    static constexpr size_t blockSize = 1u << 20;

    void* allocate(size_t size, size_t alignment)
    {
        size_t offset = (used_ + alignment - 1) & ~(alignment - 1);
        if (blocks_.empty() || offset + size > blocks_.back().size) {
            const size_t capacity = size > blockSize ? size : blockSize;
            blocks_.push_back(Block{std::make_unique_for_overwrite<std::byte[]>(capacity), capacity});
            offset = 0;
        }
        used_ = offset + size;
        return blocks_.back().memory.get() + offset;
    }

    std::vector<Block> blocks_;
    size_t used_ = 0;
};

}  // namespace quorva
