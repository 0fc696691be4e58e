// Grouping and listing the copies of resources that other sources beat.
#include "app/ReportConflicts.h"

#include "app/ReportOutput.h"
#include "app/RunReport.h"
#include "resources/ResourceTypes.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <tuple>

namespace brindle {

namespace {

/// Tables and models, the types the tool reads, come before all others.
int TypeRank(NWN::ResType type)
{
    return type == ResType2da ? 0 : type == ResTypeMdb ? 1 : 2;
}

} // namespace

std::string TypeText(NWN::ResType type)
{
    const char* extension = ResTypeToExt(type);
    return std::strcmp(extension, "???") == 0 ? std::to_string(type) : std::string(extension);
}

std::vector<std::size_t> BeatenCounts(const LoadRecord& load)
{
    std::vector<std::size_t> counts(load.sources.size(), 0);
    for (const BeatenCopy& copy : load.beaten)
        if (copy.beaten < counts.size())
            ++counts[copy.beaten];
    return counts;
}

std::vector<SourceConflicts> GroupConflicts(const LoadRecord& load)
{
    // Beaten source -> winner -> copies.
    std::map<std::uint32_t, std::map<std::uint32_t, std::vector<const BeatenCopy*>>> grouped;
    for (const BeatenCopy& copy : load.beaten)
        grouped[copy.beaten][copy.winner].push_back(&copy);

    std::vector<SourceConflicts> conflicts;
    for (auto& [source, winners] : grouped) {
        SourceConflicts entry{source, 0, {}};
        for (auto& [winner, copies] : winners) {
            std::sort(copies.begin(), copies.end(), [](const BeatenCopy* a, const BeatenCopy* b) {
                return std::tuple(TypeRank(a->type), a->name, a->type) < std::tuple(TypeRank(b->type), b->name, b->type);
            });
            entry.beaten += copies.size();
            entry.pairs.push_back({winner, std::move(copies)});
        }
        // The map gave them in precedence order; a stable sort keeps it among equal counts.
        std::stable_sort(entry.pairs.begin(), entry.pairs.end(), [](const ConflictPair& a, const ConflictPair& b) {
            return a.copies.size() > b.copies.size();
        });
        conflicts.push_back(std::move(entry));
    }
    return conflicts;
}

std::string FormatConflictsTsv(const RunReport& report)
{
    std::vector<const BeatenCopy*> copies;
    copies.reserve(report.Load().beaten.size());
    for (const BeatenCopy& copy : report.Load().beaten)
        copies.push_back(&copy);
    std::sort(copies.begin(), copies.end(), [](const BeatenCopy* a, const BeatenCopy* b) {
        return std::tie(a->name, a->type, a->beaten) < std::tie(b->name, b->type, b->beaten);
    });
    std::string out = "name\ttype\twinner\tbeaten\n";
    for (const BeatenCopy* copy : copies) {
        AppendTsvField(out, copy->name);
        out += '\t';
        out += TypeText(copy->type);
        out += '\t';
        AppendTsvField(out, report.ContainerOf(copy->winner));
        out += '\t';
        AppendTsvField(out, report.ContainerOf(copy->beaten));
        out += '\n';
    }
    return out;
}

} // namespace brindle
