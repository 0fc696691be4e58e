// The interface of every source of resources (directory trees, ERF and ZIP archives) and of the
// resource manager that stacks them: a flat, indexed list of named, typed resources.
#pragma once

#include "resources/ResRef.h"

#include <cstdint>

namespace brindle {

/// Names one open resource inside one accessor; 0 names none.
using FileHandle = std::uint64_t;
/// 0-based index of a resource inside one accessor.
using FileIndex = std::uint64_t;

inline constexpr FileHandle InvalidFileHandle = 0;

template <typename ResRefT>
class IResourceAccessor {
public:
    /// Opens a resource by name and type; 0 if there is none or it cannot be opened.
    virtual FileHandle OpenFile(const ResRefT& name, NWN::ResType type) = 0;
    /// Opens a resource by index; 0 if the index is out of range or it cannot be opened.
    virtual FileHandle OpenFileByIndex(FileIndex index) = 0;
    /// True if the handle was open here and is now closed.
    virtual bool CloseFile(FileHandle handle) = 0;
    /// Reads sequentially: offset is the number of bytes delivered so far for this handle.
    virtual bool ReadEncapsulatedFile(FileHandle handle, std::uint32_t offset, std::uint32_t bytesToRead,
                                      std::uint32_t& bytesRead, void* buffer) = 0;
    /// The resource's full size; 0 for a handle not open here.
    virtual std::uint32_t GetEncapsulatedFileSize(FileHandle handle) = 0;
    /// The resource's type, or ResTypeInvalid.
    virtual NWN::ResType GetEncapsulatedFileType(FileHandle handle) = 0;
    /// False for an index out of range; else writes the entry's name and type.
    virtual bool GetEncapsulatedFileEntry(FileIndex index, ResRefT& name, NWN::ResType& type) = 0;
    /// The number of entries.
    virtual FileIndex GetEncapsulatedFileCount() = 0;
    virtual ~IResourceAccessor() = default;
};

} // namespace brindle
