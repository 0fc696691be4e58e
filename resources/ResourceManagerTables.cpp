// Game tables through the manager: each table is demanded, parsed once per load and cached; a table
// that cannot be had is reported once and then answered silently.
#include "resources/ResourceManager.h"

#include "formats/TwoDAFileReader.h"
#include "resources/DemandResource.h"
#include "resources/ResourceTypes.h"

namespace brindle {

namespace {

constexpr const char* k2DAAccessWarning = "WARNING: Failed to access 2DA '%s': exception '%s'.\n";
constexpr const char* k2DAValueWarning =
    "WARNING: Failed to retrieve 2DA value '%s'/%lu from '%s': exception '%s'.\n";
constexpr const char* k2DACellAccessWarning =
    "WARNING: Failed to access 2DA '%s' ('%s'/%lu): exception '%s'.\n";

} // namespace

std::shared_ptr<TwoDAFileReader> ResourceManager::Load2DA(const std::string& name)
{
    DemandResource demanded(*this, name, ResType2da);
    auto reader = std::make_shared<TwoDAFileReader>(demanded.GetPath());
    m_2DACache.emplace(name, reader);
    return reader;
}

TwoDAFileReader* ResourceManager::Get2DA(const std::string& name)
{
    if (const auto cached = m_2DACache.find(name); cached != m_2DACache.end())
        return cached->second.get();
    try {
        return Load2DA(name).get();
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
    } catch (const std::exception& e) {
        Warn(k2DACellAccessWarning, table.c_str(), column.c_str(), static_cast<unsigned long>(row), e.what());
        NoteTableFailure(table, e.what());
        // A table that loaded and failed only on its column stays cached and usable.
        m_2DACache.emplace(table, nullptr);
        return false;
    }
}

} // namespace brindle
