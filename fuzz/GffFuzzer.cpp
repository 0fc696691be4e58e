// Fuzz target: a GFF file read by the GFF reader and walked as the module reader walks a module
// information file (custom talk table, the hak list and its elements, the single-hak fallback),
// then every structure of the file looked at once.
#include "formats/GffFileReader.h"
#include "fuzz/FuzzInputFile.h"

#include <exception>

namespace {

constexpr std::uint32_t kMostHaks = 256;
constexpr std::uint32_t kMostStructsVisited = 4096;

// One element of Mod_HakList, read with the reader's own primitives.
bool HakListElement(brindle::GffFileReader& reader, std::uint32_t index, const brindle::GffStruct& parent,
                    brindle::GffStruct& element)
{
    brindle::GFF_FIELD_ENTRY field;
    if (!reader.FindField(parent, "Mod_HakList", field) || field.Type != brindle::GffTypeList)
        return false;
    std::uint32_t count = 0;
    if (!reader.ReadListIndex(field.DataOrDataOffset, count) || index >= count)
        return false;
    const std::uint64_t offset = std::uint64_t{field.DataOrDataOffset} + 4 + 4 * std::uint64_t{index};
    std::uint32_t structIndex = 0;
    if (offset > 0xFFFFFFFFu || !reader.ReadListIndex(static_cast<std::uint32_t>(offset), structIndex))
        return false;
    try {
        brindle::GFF_STRUCT_ENTRY entry;
        reader.ReadStructEntry(structIndex, entry);
        element = brindle::GffStruct(&reader, entry);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void WalkModuleInformation(brindle::GffFileReader& reader)
{
    const brindle::GffStruct root = reader.GetRootStruct();
    std::string text;
    reader.ReadStringField(root, "Mod_CustomTlk", text);
    std::uint32_t haks = 0;
    brindle::GffStruct element;
    for (; haks < kMostHaks && HakListElement(reader, haks, root, element); ++haks) {
        if (!reader.ReadStringField(element, "Mod_Hak", text))
            break;
    }
    if (haks == 0)
        reader.ReadStringField(root, "Mod_Hak", text);
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
    const std::string& path = brindle::fuzz::InputFile("module.ifo").Write(data, size);
    try {
        brindle::GffFileReader reader(path);
        WalkModuleInformation(reader);
        VisitStructs(reader);
    } catch (const std::exception&) {
        // A refused file is a correct answer.
    }
    return 0;
}
