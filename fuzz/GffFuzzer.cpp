// Fuzz target: a GFF file read from memory by the GFF reader and walked as the module reader walks a module
// information file (custom talk table, the hak list and its elements, the single-hak fallback),
// then every structure of the file looked at once.
#include "app/ModuleHakList.h"
#include "formats/GffFileReader.h"

#include <exception>
#include <span>

namespace {

constexpr std::uint32_t kMostStructsVisited = 4096;

// Steps 3 to 5 of the module load: the custom talk table, the hak list through the module reader's
// own element and name readers, and the single-hak fallback.
void WalkModuleInformation(brindle::GffFileReader& reader)
{
    const brindle::GffStruct root = reader.GetRootStruct();
    std::string text;
    reader.ReadStringField(root, "Mod_CustomTlk", text);
    std::uint32_t haks = 0;
    for (; haks < brindle::kMaxModuleHaks; ++haks) {
        brindle::GffStruct element;
        NWN::ResRef32 name{};
        if (!brindle::GetModHakListElement(haks, root, element) || !brindle::ReadModHak(element, name))
            break;
    }
    NWN::ResRef32 name{};
    if (haks == 0)
        brindle::ReadModHak(root, name);
}

void VisitStructs(brindle::GffFileReader& reader)
{
    const std::uint32_t count = reader.GetHeader().StructCount;
    for (std::uint32_t index = 0; index < count && index < kMostStructsVisited; ++index) {
        try {
            brindle::GFF_STRUCT_ENTRY entry;
            reader.ReadStructEntry(index, entry);
            const brindle::GffStruct visited(&reader, entry);
            std::string text;
            reader.ReadStringField(visited, "Mod_Hak", text);
            brindle::GFF_FIELD_ENTRY field;
            reader.FindField(visited, "Mod_HakList", field);
        } catch (const std::exception&) {
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        brindle::GffFileReader reader(std::span<const unsigned char>(data, size));
        WalkModuleInformation(reader);
        VisitStructs(reader);
    } catch (const std::exception&) {
        // A refused file is a correct answer.
    }
    return 0;
}
