// Memory for the few large arrays the run fills soon after making them (the resource index, a talk
// table's entries), and the heap's set-up for a run. On machines where a page fault
// costs microseconds, filling tens of megabytes page by page costs more than the work done in them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

namespace brindle::platform {

/// Arrays of at least this many bytes get a block of their own, which the system may back with
/// large pages (one fault per 2 MiB where it would take 512); smaller ones come from the heap.
inline constexpr std::size_t kLargeBlockMinimum = std::size_t{2} << 20;

/// A zero-filled block of bytes (bytes > 0), aligned for any type; throws std::bad_alloc.
void* AllocateLargeBlock(std::size_t bytes);
/// Gives back a block of AllocateLargeBlock, with the size it was asked for.
void FreeLargeBlock(void* block, std::size_t bytes) noexcept;

/// Sets the heap up for a run, before it is used much: it keeps what the run frees for later
/// allocations instead of handing it back to the system at once and faulting fresh pages in again
/// (a run is short; the system gets it all at its end), and where the system offers it, the heap's
/// next 64 MiB may be backed by large pages, like the large blocks. Does what the heap and the
/// system allow, nothing elsewhere.
void PrepareHeapForRun();

/// The allocator of LargeVector: allocations of kLargeBlockMinimum bytes and more in blocks of
/// their own, smaller ones as std::allocator makes them.
template <class T>
class LargeBlockAllocator {
public:
    using value_type = T;

    LargeBlockAllocator() = default;
    template <class U>
    LargeBlockAllocator(const LargeBlockAllocator<U>&) noexcept
    {
    }

    T* allocate(std::size_t count)
    {
        if (count > SIZE_MAX / sizeof(T))
            throw std::bad_array_new_length();
        if (count * sizeof(T) >= kLargeBlockMinimum)
            return static_cast<T*>(AllocateLargeBlock(count * sizeof(T)));
        return std::allocator<T>().allocate(count);
    }

    void deallocate(T* block, std::size_t count) noexcept
    {
        if (count * sizeof(T) >= kLargeBlockMinimum)
            FreeLargeBlock(block, count * sizeof(T));
        else
            std::allocator<T>().deallocate(block, count);
    }

    template <class U>
    bool operator==(const LargeBlockAllocator<U>&) const noexcept
    {
        return true;
    }
};

/// A vector whose large arrays come in blocks of their own.
template <class T>
using LargeVector = std::vector<T, LargeBlockAllocator<T>>;

} // namespace brindle::platform
