// The lister run: module load, table extraction, model walk and script generation.
#include "app/ListerRun.h"

#include "app/LookupTables.h"
#include "app/ModelRecord.h"
#include "app/ModuleHakList.h"
#include "app/RunReport.h"
#include "app/ScriptWriter.h"
#include "app/TableExtraction.h"
#include "formats/TwoDAFileReader.h"
#include "platform/Ascii.h"
#include "resources/ResourceManager.h"
#include "resources/ResourceNames.h"
#include "resources/ResourceTypes.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace brindle {

namespace {

constexpr const char* kLoadingLine = "Loading '%s' ...";
constexpr const char* kParsingTablesLine = "\nParsing 2da files...";
constexpr const char* kParsingModelsLine = "\nParsing model list...";
constexpr const char* kGeneratingLine = "\nGenerating NSS file...";

/// Measures the phases of a run when asked to.
class PhaseClock {
public:
    explicit PhaseClock(PhaseTimes* times) : m_Times(times), m_LastFaults(Faults()) {}

    /// Adds the time and the page faults since the last mark to slot and faultSlot.
    void Mark(double PhaseTimes::*slot, std::uint64_t PhaseTimes::*faultSlot)
    {
        const auto now = std::chrono::steady_clock::now();
        const std::uint64_t faults = Faults();
        if (m_Times != nullptr) {
            m_Times->*slot += std::chrono::duration<double>(now - m_Last).count();
            m_Times->*faultSlot += faults - m_LastFaults;
        }
        m_Last = now;
        m_LastFaults = faults;
    }

private:
    std::uint64_t Faults() const
    {
        return m_Times != nullptr && m_Times->faultCounter != nullptr ? m_Times->faultCounter() : 0;
    }

    PhaseTimes* m_Times;
    std::chrono::steady_clock::time_point m_Last = std::chrono::steady_clock::now();
    std::uint64_t m_LastFaults;
};

/// Every model the manager knows, classified by name.
struct ClassifiedModels {
    /// Every record kept: weapons first, then armor variations, then armor parts (SplitKinds).
    std::vector<ModelRecord> records;
    std::span<const ModelRecord> weapons;
    std::span<const ModelRecord> armorVariations;
    std::span<const ModelRecord> armorParts;
    /// A model whose record could not be built: its index entry and the reason (kept, never printed).
    struct Ignored {
        FileIndex index;
        const char* failure;
    };
    std::vector<Ignored> ignored;

    /// Keeps a record of one of the three kinds the script lists.
    void Keep(ModelRecord&& record)
    {
        if (record.IsWeapon() || record.IsArmorVariation() || record.IsArmorPart())
            records.push_back(std::move(record));
    }

    /// Orders the records by kind and points the three lists at them. Within a kind the order
    /// changes, which the script does not see: it sorts keys and numbers.
    void SplitKinds()
    {
        const auto variations =
            std::partition(records.begin(), records.end(), [](const ModelRecord& r) { return r.IsWeapon(); });
        const auto parts =
            std::partition(variations, records.end(), [](const ModelRecord& r) { return r.IsArmorVariation(); });
        weapons = {records.begin(), variations};
        armorVariations = {variations, parts};
        armorParts = {parts, records.end()};
    }
};

/// The record of the model upper (its name in upper case), or why there is none.
const char* Classify(const LookupTables& tables, std::string_view upper, std::optional<ModelRecord>& record)
{
    // Most of the game's models (creatures, placeables, tiles) follow none of the grammars.
    if (!ModelRecord::HasGrammar(upper))
        return kModelParseFailed;
    const char* failure = ModelRecord::TryRead(tables, upper, record);
    if (failure == nullptr && !ModelRecord::IsWritableInScript(upper)) {
        record.reset();
        failure = kNameNotScriptable;
    }
    return failure;
}

/// A report, when asked for, gets every model with its source and outcome.
void ClassifyModels(ResourceManager& manager, const LookupTables& tables, ClassifiedModels& models,
                    RunReport* report)
{
    // Room for every model in one list: it takes the memory it fills, and never moves.
    const std::size_t modelCount = manager.CountEntriesOfType(ResTypeMdb);
    models.records.reserve(modelCount);
    if (report != nullptr)
        report->ReserveModels(modelCount);
    std::optional<ModelRecord> record;
    std::string upper;
    std::string lower;
    // Last entry first: the order does not change the script, which sorts keys and numbers.
    for (FileIndex index = manager.GetEncapsulatedFileCount(); index-- > 0;) {
        // Most entries are no models; their names are not fetched.
        if (manager.GetEntryType(index) != ResTypeMdb)
            continue;
        NWN::ResRef32 name{};
        NWN::ResType type = NWN::ResTypeInvalid;
        if (!manager.GetEncapsulatedFileEntry(index, name, type))
            continue;
        // Upper case straight from the stored name (lower-casing it first would change nothing).
        upper.assign(RawView(name));
        for (char& c : upper)
            c = ascii::ToUpper(c);
        // The report shows names in lower case, as ToText gives them.
        if (report != nullptr) {
            lower.assign(upper);
            for (char& c : lower)
                c = ascii::ToLower(c);
        }
        if (const char* failure = Classify(tables, upper, record)) {
            if (report != nullptr)
                report->AddIgnored(lower, manager.GetEntrySource(index), ModelRecord::ReasonForReport(failure));
            models.ignored.push_back({index, failure});
            continue;
        }
        if (report != nullptr)
            report->AddCounted(lower, manager.GetEntrySource(index), *record, tables.ArmorVisualTypeIndex());
        models.Keep(std::move(*record));
    }
    models.SplitKinds();
}

/// Hands the report what the load and the tables left; the load record is moved out of the manager,
/// which goes right after.
void FillReport(RunReport& report, ResourceManager& manager, const LookupTables& tables)
{
    std::array<std::size_t, 4> rows{};
    std::array<bool, 4> read{};
    for (std::size_t i = 0; i < kReportTables.size(); ++i) {
        // Cached by the extraction: asking again reads nothing and warns no more.
        const TwoDAFileReader* table = manager.Get2DA(kReportTables[i]);
        read[i] = table != nullptr;
        rows[i] = table != nullptr ? table->GetRowCount() : 0;
    }
    report.SetTables(tables, rows, read);
    report.SetLoad(manager.TakeLoadRecord());
}

} // namespace

void RunLister(const RunContext& context, PhaseTimes* phases)
{
    PhaseClock clock(phases);
    // Let go once the models are classified: the script is written from the records and the
    // tables alone, and takes the memory the index and the archives' lists had.
    std::optional<ResourceManager> manager(std::in_place, &context.console);
    if (context.report != nullptr)
        manager->KeepLoadRecord();

    context.console.WriteText(kLoadingLine, context.module.c_str());
    LoadModuleAndHaks(context.module, context.home, *manager, context.install);
    clock.Mark(&PhaseTimes::load, &PhaseTimes::loadFaults);

    context.console.WriteText(kParsingTablesLine);
    LookupTables tables;
    ExtractGameTables(*manager, tables);
    clock.Mark(&PhaseTimes::tables, &PhaseTimes::tablesFaults);

    context.console.WriteText(kParsingModelsLine);
    ClassifiedModels models;
    ClassifyModels(*manager, tables, models, context.report);
    if (context.report != nullptr)
        FillReport(*context.report, *manager, tables);
    manager.reset();
    clock.Mark(&PhaseTimes::classification, &PhaseTimes::classificationFaults);

    context.console.WriteText(kGeneratingLine);
    ScriptWriter writer(context.script, context.console,
                        [&context](const std::string& option) { return context.options.IsOn(option); });
    writer.Write(models.weapons, models.armorVariations, models.armorParts,
                 static_cast<std::uint32_t>(models.ignored.size()), tables.ArmorVisualTypeIndex());
    clock.Mark(&PhaseTimes::script, &PhaseTimes::scriptFaults);
}

} // namespace brindle
