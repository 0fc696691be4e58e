// POSIX large blocks: anonymous mappings started at a 2 MiB boundary and marked for transparent
// large pages, which the kernel only uses for whole aligned 2 MiB pieces of a mapping.
#include "platform/Memory.h"

#include <cstdlib>

#include <sys/mman.h>

#if defined(__GLIBC__)
#include <malloc.h>
#include <unistd.h>
#endif

namespace brindle::platform {

namespace {

constexpr std::size_t kLargePageSize = std::size_t{2} << 20;

#if defined(__GLIBC__)
// The stretch of heap made at the start of a run and marked for large pages: address space only,
// well above what a full game's run keeps (about 25 MiB); past it the heap grows as usual.
constexpr std::size_t kLargePageHeap = std::size_t{64} << 20;
// Larger than whatever the heap's top holds free at the start (its padding is 128 KiB), so that
// asking for it makes the heap grow.
constexpr std::size_t kHeapGrowthProbe = std::size_t{256} << 10;
// The heap's own padding when it grows (the library's default).
constexpr std::size_t kDefaultTopPad = std::size_t{128} << 10;
constexpr std::size_t kSmallPage = 4096;
#endif

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

void PrepareHeapForRun()
{
#if defined(__GLIBC__)
    // Blocks up to 32 MiB come from the heap and stay there when freed; the heap's top is not
    // given back before 256 MiB lie free in it.
    ::mallopt(M_MMAP_THRESHOLD, 32 << 20);
    ::mallopt(M_TRIM_THRESHOLD, 256 << 20);
#if defined(MADV_HUGEPAGE)
    // The heap grows once by kLargePageHeap, and the aligned part of that stretch is marked for
    // large pages. Where the heap is not grown by moving the program break (another allocator,
    // or the break cannot move), nothing is marked.
    void* const failed = reinterpret_cast<void*>(-1);
    void* const before = ::sbrk(0);
    ::mallopt(M_TOP_PAD, static_cast<int>(kLargePageHeap));
    // Being too large for any free piece, the probe comes from the start of the heap's top. Through
    // a volatile pointer: an allocation freed unused may otherwise be left out.
    void* volatile probe = std::malloc(kHeapGrowthProbe);
    const auto top = reinterpret_cast<std::uintptr_t>(probe);
    ::mallopt(M_TOP_PAD, static_cast<int>(kDefaultTopPad));
    void* const after = ::sbrk(0);
    const std::uintptr_t start = RoundUp(reinterpret_cast<std::uintptr_t>(before), kLargePageSize);
    const auto end = reinterpret_cast<std::uintptr_t>(after);
    if (before == failed || after == failed || end <= start) {
        std::free(probe);
        return;
    }
    // Only a hint, as for the large blocks.
    ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
    // The heap serves from the low end of its top first, and the piece below the stretch's first
    // large page keeps small pages, one fault per 4 KiB (the script's text, say, would be made
    // there). The probe, cut or grown in place to end just below that page, stays over that piece
    // and is never given back: address space only, as nothing but its header is ever written.
    if (top != 0 && top < start && start - top > kSmallPage && start - top <= 2 * kLargePageSize)
        probe = std::realloc(probe, start - top - kSmallPage / 2);
    else
        std::free(probe);
    // The probe left a header inside the stretch where it reached into it, and a large page is
    // only made where no small one is in place yet: the stretch, free space of the heap's top that
    // holds nothing, is emptied again.
    ::madvise(reinterpret_cast<void*>(start), end - start, MADV_DONTNEED);
#endif
#endif
}

} // namespace brindle::platform
