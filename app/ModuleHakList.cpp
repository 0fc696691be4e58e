// The two-pass module load and the readers of the module's HAK list.
#include "app/ModuleHakList.h"

#include "resources/DemandResource.h"
#include "resources/ResourceManager.h"
#include "resources/ResourceNames.h"
#include "resources/ResourceTypes.h"

#include <exception>
#include <stdexcept>
#include <vector>

namespace brindle {

namespace {

constexpr const char* kReadModHakFailed = "Failed to read Mod_HakList.Mod_Hak";

constexpr const char* kModuleInfoName = "module";

bool IsEmpty(const NWN::ResRef32& name)
{
    return name.RefStr[0] == '\0';
}

} // namespace

bool GetModHakListElement(std::uint32_t index, const GffStruct& parent, GffStruct& element)
{
    GffFileReader* reader = parent.GetReader();
    GFF_FIELD_ENTRY field{};
    if (reader == nullptr || !reader->FindField(parent, "Mod_HakList", field) || field.Type != GffTypeList)
        return false;
    std::uint32_t count = 0;
    if (!reader->ReadListIndex(field.DataOrDataOffset, count) || index >= count)
        return false;
    // The element's structure index follows the count, four bytes per element.
    const std::uint64_t offset = std::uint64_t{field.DataOrDataOffset} + 4 + 4 * std::uint64_t{index};
    if (offset > UINT32_MAX)
        return false;
    std::uint32_t structIndex = 0;
    if (!reader->ReadListIndex(static_cast<std::uint32_t>(offset), structIndex))
        return false;
    try {
        GFF_STRUCT_ENTRY entry{};
        reader->ReadStructEntry(structIndex, entry);
        element = GffStruct(reader, entry);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

bool ReadModHak(const GffStruct& structure, NWN::ResRef32& name)
{
    try {
        std::string text;
        if (structure.GetReader() == nullptr || !structure.GetReader()->ReadStringField(structure, "Mod_Hak", text))
            return false;
        name = ToResRef32(text);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void LoadModuleAndHaks(const std::string& module, const std::string& home, ResourceManager& manager,
                       const std::string& install)
{
    LoadModuleOnly(install, manager, module, home);

    std::string customTlk;
    std::string campaignId;
    std::vector<NWN::ResRef32> haks;
    {
        DemandResource info(manager, kModuleInfoName, ResTypeIfo);
        GffFileReader reader(info.GetPath());
        const GffStruct root = reader.GetRootStruct();
        reader.ReadStringField(root, "Mod_CustomTlk", customTlk);
        // The GUID of the campaign the module belongs to; zeros or nothing when it belongs to none.
        reader.ReadVoidField(root, "Campaign_ID", campaignId);

        for (std::uint32_t index = 0; index < kMaxModuleHaks; ++index) {
            GffStruct element;
            if (!GetModHakListElement(index, root, element))
                break;
            NWN::ResRef32 hak{};
            if (!ReadModHak(element, hak))
                throw std::runtime_error(kReadModHakFailed);
            // An element without a name names no HAK; loading it would only warn about ''.
            if (!IsEmpty(hak))
                haks.push_back(hak);
        }
        if (haks.empty()) {
            NWN::ResRef32 hak{};
            if (ReadModHak(root, hak) && !IsEmpty(hak))
                haks.push_back(hak);
        }
        // The reader closes and the demanded file is released here, before the stack is rebuilt.
    }

    manager.LoadModule(home, install, module, customTlk, std::move(haks), false, campaignId);
}

} // namespace brindle
