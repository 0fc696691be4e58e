// Large blocks: zero-filled, writable end to end, given back; and vectors over them keep their
// values as they grow from heap memory into blocks of their own.
#include "platform/Memory.h"
#include "platform/SystemFamily.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <new>

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

} // namespace
} // namespace brindle::platform
