// POSIX large blocks: anonymous mappings started at a 2 MiB boundary and marked for transparent
// large pages, which the kernel only uses for whole aligned 2 MiB pieces of a mapping.
#include "platform/Memory.h"

#include <sys/mman.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace brindle::platform {

namespace {

constexpr std::size_t kLargePageSize = std::size_t{2} << 20;

std::uintptr_t RoundUp(std::uintptr_t value, std::uintptr_t unit)
{
    return (value + unit - 1) / unit * unit;
}

} // namespace

void* AllocateLargeBlock(std::size_t bytes)
{
    if (bytes == 0 || bytes > SIZE_MAX - 2 * kLargePageSize)
        throw std::bad_alloc();
    // Mapped with room to spare, then cut to the aligned block. The block ends on a large page too:
    // its last piece would otherwise take small pages, one fault each; a large page there holds
    // at most 2 MiB the array does not use, and only once the array reaches into it.
    const std::size_t length = RoundUp(bytes, kLargePageSize);
    const std::size_t mapped = length + kLargePageSize;
    void* base = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED)
        throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(base);
    const std::uintptr_t aligned = RoundUp(start, kLargePageSize);
    if (aligned != start)
        ::munmap(base, aligned - start);
    const std::size_t after = mapped - (aligned - start) - length;
    if (after != 0)
        ::munmap(reinterpret_cast<void*>(aligned + length), after);
#if defined(MADV_HUGEPAGE)
    // Only a hint: a kernel without large pages keeps small ones.
    ::madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE);
#endif
    return reinterpret_cast<void*>(aligned);
}

void FreeLargeBlock(void* block, std::size_t bytes) noexcept
{
    if (block != nullptr)
        ::munmap(block, RoundUp(bytes, kLargePageSize));
}

void KeepFreedHeapMemory()
{
#if defined(__GLIBC__)
    // Blocks up to 32 MiB come from the heap and stay there when freed; the heap's top is not
    // given back before 256 MiB lie free in it.
    ::mallopt(M_MMAP_THRESHOLD, 32 << 20);
    ::mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
}

} // namespace brindle::platform
