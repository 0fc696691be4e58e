// Large blocks: zero-filled, writable end to end, given back; vectors over them keep their values
// as they grow from heap memory into blocks of their own; and the heap set up for a run serves
// what follows from memory marked for large pages.
#include "platform/Memory.h"
#include "platform/SystemFamily.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>
#include <sstream>
#include <string>

namespace brindle::platform {
namespace {

TEST(MemoryTest, LargeBlocksAreZeroFilledAndWritableToTheirEnd)
{
    const std::size_t sizes[] = {
        1, 4096, kLargeBlockMinimum - 1, kLargeBlockMinimum, kLargeBlockMinimum + 1, 5 * kLargeBlockMinimum / 2};
    for (const std::size_t size : sizes) {
        SCOPED_TRACE(size);
        auto* block = static_cast<unsigned char*>(AllocateLargeBlock(size));
        ASSERT_NE(block, nullptr);
        // Large pages back only whole aligned pieces, so the block starts on one.
        if (BRINDLE_POSIX) {
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % kLargeBlockMinimum, 0u);
        }
        std::size_t nonZero = 0;
        for (std::size_t at = 0; at < size; at += 4093)
            nonZero += block[at] != 0;
        EXPECT_EQ(nonZero + block[size - 1], 0u);
        for (std::size_t at = 0; at < size; at += 4093)
            block[at] = 0xA5;
        block[size - 1] = 0x5A;
        EXPECT_EQ(block[size / 2 / 4093 * 4093], size > 1 ? 0xA5 : 0x5A);
        EXPECT_EQ(block[size - 1], 0x5A);
        FreeLargeBlock(block, size);
    }
    FreeLargeBlock(nullptr, kLargeBlockMinimum);
    EXPECT_THROW(AllocateLargeBlock(0), std::bad_alloc);
    EXPECT_THROW(AllocateLargeBlock(SIZE_MAX), std::bad_alloc);
    EXPECT_THROW(AllocateLargeBlock(SIZE_MAX - kLargeBlockMinimum), std::bad_alloc);
}

TEST(MemoryTest, LargeVectorsKeepTheirValuesAcrossTheThreshold)
{
    // From small heap arrays through several large blocks and back to a small one.
    const std::size_t count = 3 * kLargeBlockMinimum / sizeof(std::uint64_t);
    LargeVector<std::uint64_t> values;
    for (std::uint64_t i = 0; i < count; ++i)
        values.push_back(i * 7);
    std::size_t wrong = 0;
    for (std::uint64_t i = 0; i < count; ++i)
        wrong += values[i] != i * 7;
    EXPECT_EQ(wrong, 0u);
    values.resize(10);
    values.shrink_to_fit();
    EXPECT_EQ(values.back(), 63u);
    LargeVector<std::uint64_t> copy = values;
    EXPECT_EQ(copy, values);
    EXPECT_THROW(LargeBlockAllocator<std::uint64_t>().allocate(SIZE_MAX / 4), std::bad_array_new_length);
}

#if defined(__linux__) && defined(__GLIBC__)
// What the system tells of the mapping that holds address: its first line and its flags line.
struct Mapping {
    std::string header;
    std::string flags;
};

Mapping MappingHolding(std::uintptr_t address)
{
    std::ifstream maps("/proc/self/smaps");
    std::string line;
    Mapping found;
    bool inside = false;
    while (std::getline(maps, line)) {
        std::uintptr_t start = 0;
        std::uintptr_t end = 0;
        char dash = 0;
        std::istringstream range(line);
        if (range >> std::hex >> start >> dash >> end && dash == '-') {
            inside = start <= address && address < end;
            if (inside)
                found.header = line;
        } else if (inside && line.rfind("VmFlags:", 0) == 0) {
            found.flags = line;
            return found;
        }
    }
    return found;
}
#endif

TEST(MemoryTest, HeapSetUpForARunServesFromMemoryMarkedForLargePages)
{
#if defined(__linux__) && defined(__GLIBC__)
    if (!std::ifstream("/sys/kernel/mm/transparent_hugepage/enabled"))
        GTEST_SKIP() << "this system has no transparent large pages";
    PrepareHeapForRun();
    // Set up twice, as a second caller in the same process would: the heap still serves.
    PrepareHeapForRun();
    // Larger than any free piece this process can have left in the heap before, smaller than the
    // size from which blocks are mapped on their own: it comes from the stretch made above.
    const std::size_t size = std::size_t{8} << 20;
    // The first blocks the run asks for come from the marked stretch too (but for the few bytes
    // of their first page), not from the piece of the heap below its first large page.
    const std::size_t firstSize = std::size_t{1} << 20;
    void* const first = std::malloc(firstSize);
    ASSERT_NE(first, nullptr);
    const Mapping firstMapping = MappingHolding(reinterpret_cast<std::uintptr_t>(first) + firstSize / 2);
    std::free(first);
    auto* block = static_cast<unsigned char*>(std::malloc(size));
    ASSERT_NE(block, nullptr);
    std::memset(block, 0x5A, size);
    const Mapping mapping = MappingHolding(reinterpret_cast<std::uintptr_t>(block) + size / 2);
    EXPECT_EQ(block[size - 1], 0x5A);
    std::free(block);
    // A sanitizer's allocator, say, serves from mappings of its own: there is nothing to mark.
    if (mapping.header.find("[heap]") == std::string::npos)
        GTEST_SKIP() << "the block does not come from the program's heap: " << mapping.header;
    EXPECT_NE(mapping.flags.find(" hg"), std::string::npos)
        << "the mapping holding the block: " << mapping.header << "\n"
        << mapping.flags;
    EXPECT_NE(firstMapping.flags.find(" hg"), std::string::npos)
        << "the mapping holding the first block: " << firstMapping.header << "\n"
        << firstMapping.flags;
#else
    // Elsewhere the set-up may do less, but never harm.
    PrepareHeapForRun();
    void* block = std::malloc(1 << 20);
    EXPECT_NE(block, nullptr);
    std::free(block);
#endif
}

} // namespace
} // namespace brindle::platform
