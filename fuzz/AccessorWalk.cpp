// The accessor walk shared by the container fuzz targets.
#include "fuzz/AccessorWalk.h"

#include <array>
#include <cstdio>
#include <cstdlib>

namespace brindle::fuzz {

namespace {

constexpr std::uint32_t kChunk = 4096;

[[noreturn]] void Broken(const char* what)
{
    std::fprintf(stderr, "fuzz: accessor broke its contract: %s\n", what);
    std::abort();
}

// Copies the open resource out as the manager's extraction does.
void CopyOut(IResourceAccessor<NWN::ResRef32>& accessor, FileHandle handle)
{
    const std::uint32_t size = accessor.GetEncapsulatedFileSize(handle);
    (void)accessor.GetEncapsulatedFileType(handle);
    std::array<unsigned char, kChunk> buffer;
    std::uint32_t copied = 0;
    while (copied < size) {
        const std::uint32_t request = size - copied < kChunk ? size - copied : kChunk;
        std::uint32_t read = 0;
        if (!accessor.ReadEncapsulatedFile(handle, copied, request, read, buffer.data()))
            return;
        if (read == 0)
            Broken("a successful read delivered nothing");
        if (read > request)
            Broken("a read delivered more than was asked");
        copied += read;
    }
    // At the end every further read must fail rather than deliver more.
    std::uint32_t read = 0;
    if (accessor.ReadEncapsulatedFile(handle, copied, kChunk, read, buffer.data()) && read != 0)
        Broken("a resource delivered more bytes than its size");
}

} // namespace

void WalkAccessor(IResourceAccessor<NWN::ResRef32>& accessor)
{
    const FileIndex count = accessor.GetEncapsulatedFileCount();
    for (FileIndex index = 0; index < count; ++index) {
        NWN::ResRef32 name{};
        NWN::ResType type = NWN::ResTypeInvalid;
        if (!accessor.GetEncapsulatedFileEntry(index, name, type))
            Broken("a listed index has no entry");
        if (const FileHandle handle = accessor.OpenFileByIndex(index); handle != InvalidFileHandle) {
            CopyOut(accessor, handle);
            accessor.CloseFile(handle);
        }
        if (const FileHandle handle = accessor.OpenFile(name, type); handle != InvalidFileHandle) {
            (void)accessor.GetEncapsulatedFileSize(handle);
            accessor.CloseFile(handle);
        }
    }
    NWN::ResRef32 name{};
    NWN::ResType type = NWN::ResTypeInvalid;
    if (accessor.GetEncapsulatedFileEntry(count, name, type) || accessor.OpenFileByIndex(count) != InvalidFileHandle)
        Broken("an index past the end was accepted");
}

} // namespace brindle::fuzz
