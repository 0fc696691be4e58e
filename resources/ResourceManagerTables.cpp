// Game tables through the manager: each table is demanded, parsed once per load and cached; a table
// that cannot be had is reported once and then answered silently.
#include "resources/ResourceManager.h"

#include "formats/TwoDAFileReader.h"
#include "platform/Ascii.h"
#include "platform/SystemFailure.h"
#include "platform/TextFormat.h"
#include "resources/DemandResource.h"
#include "resources/ResourceNames.h"
#include "resources/ResourceTypes.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <new>
#include <optional>
#include <stdexcept>
#include <string_view>

namespace brindle {

namespace {

constexpr const char* k2DAAccessWarning = "WARNING: Failed to access 2DA '%s': exception '%s'.\n";
constexpr const char* k2DAValueWarning =
    "WARNING: Failed to retrieve 2DA value '%s'/%lu from '%s': exception '%s'.\n";
constexpr const char* k2DACellAccessWarning =
    "WARNING: Failed to access 2DA '%s' ('%s'/%lu): exception '%s'.\n";

constexpr const char* kTableOutOfMemory = "Out of memory reading table '%s'";
constexpr const char* kArchivedTableTooLarge =
    "Table '%s' in '%s' unpacks to %llu bytes, more than the %llu a table may hold.";

// Running out of memory is the machine's failure, not the table's: it ends the run.
platform::SystemFailure TableOutOfMemory(const std::string& table)
{
    return {FormatBounded(kMessageBufferSize, kTableOutOfMemory, table.c_str()), platform::OutOfMemory()};
}

} // namespace

void ResourceManager::RefuseOversizedTable(const std::string& name)
{
    // A file of the override or pwc folders is measured by the reader itself; a table already
    // handed out was measured then.
    const std::string lowered = ascii::ToLower(name);
    if (m_Demanded.count(MakeResourceKey(ResType2da, lowered)) != 0)
        return;
    const std::uint32_t found = m_ResourceIndex.Find(ResType2da, lowered);
    if (found == ResourceIndex::npos)
        return;
    const IndexEntry filed = EntryAt(found);
    if (filed.tier == TierDirectory)
        return;
    Accessor& container = *filed.container;
    const FileHandle handle = container.OpenFileByIndex(filed.index);
    if (handle == InvalidFileHandle)
        return; // the demand reports it
    const std::uint64_t size = container.GetEncapsulatedFileSize(handle);
    container.CloseFile(handle);
    if (size > kMaxTableSize)
        ThrowOversizedTable(container, lowered, size);
}

void ResourceManager::ThrowOversizedTable(const Accessor& container, const std::string& lowered,
                                          std::uint64_t size) const
{
    const auto path = m_SourcePaths.find(&container);
    const std::string entry = lowered + "." + ResTypeToExt(ResType2da);
    throw std::runtime_error(FormatBounded(kMessageBufferSize, kArchivedTableTooLarge, entry.c_str(),
                                           path != m_SourcePaths.end() ? path->second.c_str() : "?",
                                           static_cast<unsigned long long>(size),
                                           static_cast<unsigned long long>(kMaxTableSize)));
}

std::shared_ptr<TwoDAFileReader> ResourceManager::Load2DA(const std::string& name)
{
    // An archived table is read into memory and parsed from there; its messages name the copy a
    // demand would have made. A loose table, or one handed out already, is read where it lies.
    // Either way a table larger than a table may be is refused unread.
    const std::string lowered = ascii::ToLower(name);
    const bool handedOut = m_Demanded.count(MakeResourceKey(ResType2da, lowered)) != 0;
    const std::optional<IndexEntry> entry =
        handedOut ? std::nullopt : std::optional<IndexEntry>(Locate(name, lowered, ResType2da));
    std::shared_ptr<TwoDAFileReader> reader;
    if (entry && !IsLoose(*entry)) {
        std::uint64_t oversized = 0;
        std::string bytes = ReadArchived(*entry, lowered, ResType2da, kMaxTableSize, oversized);
        if (oversized != 0)
            ThrowOversizedTable(*entry->container, lowered, oversized);
        reader = std::make_shared<TwoDAFileReader>(std::move(bytes), CopyPath(lowered, ResType2da));
    } else {
        RefuseOversizedTable(name);
        DemandResource demanded(*this, name, ResType2da);
        reader = std::make_shared<TwoDAFileReader>(demanded.GetPath());
    }
    m_2DACache.emplace(name, reader);
    return reader;
}

TwoDAFileReader* ResourceManager::Get2DA(const std::string& name)
{
    if (const auto cached = m_2DACache.find(name); cached != m_2DACache.end())
        return cached->second.get();
    try {
        return Load2DA(name).get();
    } catch (const platform::SystemFailure&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw TableOutOfMemory(name);
    } catch (const std::exception& e) {
        Warn(k2DAAccessWarning, name.c_str(), e.what());
        NoteTableFailure(name, e.what());
        m_2DACache.emplace(name, nullptr);
        return nullptr;
    }
}

bool ResourceManager::Get2DAString(std::string& value, const std::string& table, const std::string& column,
                                   std::uint32_t row)
{
    if (const auto cached = m_2DACache.find(table); cached != m_2DACache.end()) {
        if (!cached->second)
            return false;
        try {
            return cached->second->GetString(row, column, value);
        } catch (const std::exception& e) {
            Warn(k2DAValueWarning, column.c_str(), static_cast<unsigned long>(row), table.c_str(), e.what());
            return false;
        }
    }
    try {
        return Load2DA(table)->GetString(row, column, value);
    } catch (const platform::SystemFailure&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw TableOutOfMemory(table);
    } catch (const std::exception& e) {
        Warn(k2DACellAccessWarning, table.c_str(), column.c_str(), static_cast<unsigned long>(row), e.what());
        NoteTableFailure(table, e.what());
        // A table that loaded and failed only on its column stays cached and usable.
        m_2DACache.emplace(table, nullptr);
        return false;
    }
}

void ResourceManager::ForEach2DAString(const std::string& table, const std::string& column,
                                       const std::function<void(std::string_view, std::uint32_t)>& take)
{
    const TwoDAFileReader* reader = Get2DA(table);
    if (reader == nullptr)
        return;
    const std::size_t rows = std::min<std::size_t>(reader->GetRowCount(), std::numeric_limits<std::uint32_t>::max());
    std::size_t index = 0;
    if (!reader->FindColumn(column, index)) {
        // Row by row, for each row's warning.
        std::string value;
        for (std::uint32_t row = 0; row < rows; ++row)
            if (Get2DAString(value, table, column, row))
                take(value, row);
        return;
    }
    for (std::uint32_t row = 0; row < rows; ++row) {
        const std::string_view cell = reader->Cell(row, index);
        if (cell != kTwoDAEmptyCell)
            take(cell, row);
    }
}

} // namespace brindle
