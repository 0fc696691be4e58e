// An in-memory resource container for tests of code that stacks containers: entries are held as
// given (names are not lower-cased, as an ERF stores them), every call is counted, and faults can
// be switched on.
#pragma once

#include "resources/IResourceAccessor.h"

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace brindle::test {

class MemoryArchive : public IResourceAccessor<NWN::ResRef32> {
public:
    struct Entry {
        NWN::ResRef32 name;
        NWN::ResType type;
        std::string data;
    };

    /// Adds an entry; the name's bytes are stored unchanged (up to 32 characters).
    MemoryArchive& Add(std::string_view name, NWN::ResType type, std::string data);

    /// Sizes of the reads that delivered bytes, in order.
    const std::vector<std::uint32_t>& Reads() const { return m_Reads; }
    /// Handles currently open.
    const std::set<FileHandle>& OpenHandles() const { return m_Open; }
    /// Handles passed to CloseFile, in order.
    const std::vector<FileHandle>& Closed() const { return m_Closed; }

    /// Faults: a read that succeeds with 0 bytes once this many bytes went out; CloseFile that
    /// reports false (a failed CRC check); OpenFileByIndex that fails.
    void DeliverNothingAfter(std::uint32_t bytes) { m_StallAfter = bytes; }
    void FailClose() { m_CloseResult = false; }
    void FailOpen() { m_OpenFails = true; }

    FileHandle OpenFile(const NWN::ResRef32& name, NWN::ResType type) override;
    FileHandle OpenFileByIndex(FileIndex index) override;
    bool CloseFile(FileHandle handle) override;
    bool ReadEncapsulatedFile(FileHandle handle, std::uint32_t offset, std::uint32_t bytesToRead,
                              std::uint32_t& bytesRead, void* buffer) override;
    std::uint32_t GetEncapsulatedFileSize(FileHandle handle) override;
    NWN::ResType GetEncapsulatedFileType(FileHandle handle) override;
    bool GetEncapsulatedFileEntry(FileIndex index, NWN::ResRef32& name, NWN::ResType& type) override;
    FileIndex GetEncapsulatedFileCount() override { return m_Entries.size(); }

private:
    const Entry* Find(FileHandle handle) const;

    std::vector<Entry> m_Entries;
    std::set<FileHandle> m_Open;
    std::vector<FileHandle> m_Closed;
    std::vector<std::uint32_t> m_Reads;
    std::int64_t m_StallAfter = -1;
    bool m_CloseResult = true;
    bool m_OpenFails = false;
};

} // namespace brindle::test
