// Classifying a large model list against a large race list, and the race search alone against a
// whole-list scan.
#include "app/LookupTables.h"
#include "app/ModelRecord.h"
#include "tests/support/NaiveLastEntry.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRaceCount = 1000;
constexpr int kNameCount = 40000;

const char* const kPlayableRaces[] = {"P_HH?", "P_EE?", "P_DD?", "P_OO?", "P_GG?", "P_AA?"};
const char* const kGenders[] = {"M", "F", "B", "O", "N"};
const char* const kArmorVisualTypes[] = {"CL", "CP", "LE", "LS", "CH", "SC", "BA", "PH", "PF", "HD", "NK"};
const char* const kPieces[] = {"LSHOULDER", "RBRACER", "LUPARM", "FHIP", "RLOWLEG", "LANKEL"};
const char* const kEquipment[] = {"BODY", "BOOTS", "GLOVES", "HELM", "CLOAK", "BELT"};

std::string Format(const char* format, auto... args)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return buffer;
}

// A race list shaped like a large appearance table: mostly creature and character models of
// varied length, with the playable races repeated throughout and the fixed entries last.
const brindle::LookupTables& Tables()
{
    static const brindle::LookupTables tables = [] {
        brindle::LookupTables t;
        for (const char* gender : kGenders)
            t.AddGender(gender);
        for (int i = 0; t.Races().size() < kRaceCount - 3; ++i) {
            if (i % 7 == 0)
                t.AddRace(kPlayableRaces[(i / 7) % 6]);
            else if (i % 2 == 0)
                t.AddRace(Format("c_creature%03d?", i));
            else
                t.AddRace(Format("N_Npc%d?", i));
        }
        t.AppendFixedRaces();
        std::uint32_t row = 0;
        for (const char* prefix : kArmorVisualTypes)
            t.AddArmorVisualType(prefix, row++);
        for (int i = 0; i < 110; ++i)
            t.AddItemClass(Format("w_weapon%d", i));
        t.AppendFixedItemClasses();
        t.FillArmorPieceTable();
        return t;
    }();
    return tables;
}

// Names of all three grammars plus some that fail, as a model walk meets them.
const std::vector<std::string>& Names()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list;
        const char* races[] = {"HH", "EE", "DD", "OO", "GG", "AA", "HA", "GY"};
        for (int i = 0; i < kNameCount; ++i) {
            const char* race = races[i % 8];
            const char* gender = kGenders[i % 2];
            switch (i % 5) {
            case 0:
            case 1:
                list.push_back(Format("P_%s%s_%s_%s%02d", race, gender, kArmorVisualTypes[i % 11], kEquipment[i % 6], i % 120));
                break;
            case 2:
                list.push_back(Format("A_%s%s_%s%02d", race, gender, kPieces[i % 6], i % 40));
                break;
            case 3:
                list.push_back(Format("W_WEAPON%d%02d_%c", i % 110, i % 60, 'A' + i % 3));
                break;
            default:
                list.push_back(Format("C_CREATURE%03d_CL_BODY%02d", i % 997, i % 50));
                break;
            }
        }
        return list;
    }();
    return names;
}

void ClassifyNames(benchmark::State& state)
{
    const brindle::LookupTables& tables = Tables();
    const std::vector<std::string>& names = Names();
    for (auto _ : state) {
        std::size_t built = 0;
        for (const std::string& name : names) {
            try {
                const brindle::ModelRecord record(tables, name);
                ++built;
            } catch (const std::exception&) {
            }
        }
        benchmark::DoNotOptimize(built);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(names.size()));
}
BENCHMARK(ClassifyNames)->Unit(benchmark::kMillisecond);

void RaceSearchIndexed(benchmark::State& state)
{
    const brindle::LookupTables& tables = Tables();
    for (auto _ : state)
        for (const std::string& name : Names())
            benchmark::DoNotOptimize(tables.RaceIndex().FindLastOccurring(name));
    state.SetItemsProcessed(state.iterations() * kNameCount);
}
BENCHMARK(RaceSearchIndexed)->Unit(benchmark::kMillisecond);

void RaceSearchWholeList(benchmark::State& state)
{
    const brindle::LookupTables& tables = Tables();
    for (auto _ : state)
        for (const std::string& name : Names())
            benchmark::DoNotOptimize(brindle::test::NaiveLastOccurring(tables.Races(), name));
    state.SetItemsProcessed(state.iterations() * kNameCount);
}
BENCHMARK(RaceSearchWholeList)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
