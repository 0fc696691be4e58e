// Fuzz target: the model-name grammar. The lookup lists come from a small fixed set of table
// cells; the input is the model name. A record that builds must answer its key operations.
#include "app/LookupTables.h"
#include "app/ModelRecord.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>

namespace {

brindle::LookupTables MakeTables()
{
    brindle::LookupTables tables;
    for (const char* gender : {"M", "F", ""})
        tables.AddGender(gender);
    for (const char* helm : {"P_HH?", "P_EE?", "p_dd?", "P_HHM", "", "X"})
        tables.AddRace(helm);
    tables.AppendFixedRaces();
    std::uint32_t row = 0;
    for (const char* prefix : {"CL", "LE", "ch", "CL", "", "****"})
        tables.AddArmorVisualType(prefix, row++);
    for (const char* itemClass : {"W_LSword", "W_SSWORD", "W_DAG", "W_SHE_LARGE", "W_", ""})
        tables.AddItemClass(itemClass);
    tables.AppendFixedItemClasses();
    tables.FillArmorPieceTable();
    return tables;
}

[[noreturn]] void Broken(const char* what, const std::string& name)
{
    std::fprintf(stderr, "fuzz: model record '%s': %s\n", name.c_str(), what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const brindle::LookupTables tables = MakeTables();
    const std::string name(reinterpret_cast<const char*>(data), size);
    std::optional<brindle::ModelRecord> record;
    try {
        record.emplace(tables, name);
    } catch (const std::exception&) {
        return 0; // counted as an ignored model
    }
    if (record->Name() != name)
        Broken("the record's name is not the name given", name);
    if (record->Variation() > brindle::kMaxModelVariation)
        Broken("variation above the limit", name);
    try {
        (void)record->ToIndex();
        if (record->IsArmorVariation())
            (void)record->ToAVTIndex();
    } catch (const std::exception& error) {
        Broken(error.what(), name);
    }
    return 0;
}
