// In-memory resource container for tests.
#include "tests/support/MemoryArchive.h"

#include <algorithm>
#include <cstring>

namespace brindle::test {

MemoryArchive& MemoryArchive::Add(std::string_view name, NWN::ResType type, std::string data)
{
    Entry entry {};
    std::memcpy(entry.name.RefStr, name.data(), std::min<std::size_t>(name.size(), sizeof(entry.name.RefStr)));
    entry.type = type;
    entry.data = std::move(data);
    m_Entries.push_back(std::move(entry));
    return *this;
}

const MemoryArchive::Entry* MemoryArchive::Find(FileHandle handle) const
{
    if (m_Open.count(handle) == 0)
        return nullptr;
    return &m_Entries[static_cast<std::size_t>(handle - 1)];
}

FileHandle MemoryArchive::OpenFile(const NWN::ResRef32& name, NWN::ResType type)
{
    for (std::size_t i = 0; i < m_Entries.size(); ++i)
        if (m_Entries[i].name == name && m_Entries[i].type == type)
            return OpenFileByIndex(i);
    return 0;
}

FileHandle MemoryArchive::OpenFileByIndex(FileIndex index)
{
    if (m_OpenFails || index >= m_Entries.size())
        return 0;
    m_Open.insert(index + 1);
    return index + 1;
}

bool MemoryArchive::CloseFile(FileHandle handle)
{
    m_Closed.push_back(handle);
    if (m_Open.erase(handle) == 0)
        return false;
    return m_CloseResult;
}

bool MemoryArchive::ReadEncapsulatedFile(FileHandle handle, std::uint32_t offset, std::uint32_t bytesToRead,
                                         std::uint32_t& bytesRead, void* buffer)
{
    const Entry* entry = Find(handle);
    if (entry == nullptr || offset >= entry->data.size())
        return false;
    if (m_StallAfter >= 0 && offset >= m_StallAfter) {
        bytesRead = 0;
        return true;
    }
    const auto left = static_cast<std::uint32_t>(entry->data.size() - offset);
    const std::uint32_t count = std::min(bytesToRead, left);
    std::memcpy(buffer, entry->data.data() + offset, count);
    bytesRead = count;
    m_Reads.push_back(count);
    return true;
}

std::uint32_t MemoryArchive::GetEncapsulatedFileSize(FileHandle handle)
{
    const Entry* entry = Find(handle);
    return entry == nullptr ? 0 : static_cast<std::uint32_t>(entry->data.size());
}

NWN::ResType MemoryArchive::GetEncapsulatedFileType(FileHandle handle)
{
    const Entry* entry = Find(handle);
    return entry == nullptr ? NWN::ResTypeInvalid : entry->type;
}

bool MemoryArchive::GetEncapsulatedFileEntry(FileIndex index, NWN::ResRef32& name, NWN::ResType& type)
{
    if (index >= m_Entries.size())
        return false;
    name = m_Entries[static_cast<std::size_t>(index)].name;
    type = m_Entries[static_cast<std::size_t>(index)].type;
    return true;
}

} // namespace brindle::test
