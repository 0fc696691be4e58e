// Win32 large blocks: memory of its own from VirtualAlloc (large pages there need a privilege a
// user's account does not hold, so the block keeps the usual pages).
#include "platform/Memory.h"

#include <windows.h>

namespace brindle::platform {

void* AllocateLargeBlock(std::size_t bytes)
{
    if (bytes == 0)
        throw std::bad_alloc();
    void* block = ::VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (block == nullptr)
        throw std::bad_alloc();
    return block;
}

void FreeLargeBlock(void* block, std::size_t) noexcept
{
    if (block != nullptr)
        ::VirtualFree(block, 0, MEM_RELEASE);
}

void PrepareHeapForRun()
{
}

} // namespace brindle::platform
