// Writing the run report's files.
#include "app/ReportOutput.h"

#include "app/IDebugTextOut.h"
#include "app/ReportConflicts.h"
#include "app/ReportHtml.h"
#include "app/RunReport.h"
#include "platform/File.h"
#include "platform/Process.h"

#include <boost/filesystem/path.hpp>

#include <algorithm>
#include <array>
#include <utility>
#include <cstdint>
#include <vector>

namespace brindle {

namespace {

/// Shown for each report file that could not be written, with the path as configured plus its
/// extension.
constexpr const char* kReportWriteFailedWarning = "\nWARNING: Failed to write report '%s'.";
constexpr const char* kTemporarySuffix = ".tmp";
constexpr std::uint32_t kWriteChunk = 1u << 20;

} // namespace

void AppendTsvField(std::string& out, std::string_view field)
{
    const std::size_t start = out.size();
    out.append(field);
    // A tab or line end inside a field would split it. One branch-free pass finds the rare field
    // that holds one; each then becomes a space.
    bool splits = false;
    for (const char c : field)
        splits |= (c == '\t') | (c == '\r') | (c == '\n');
    if (!splits)
        return;
    for (std::size_t i = start; i < out.size(); ++i)
        if (out[i] == '\t' || out[i] == '\r' || out[i] == '\n')
            out[i] = ' ';
}

std::string FormatReportTsv(const RunReport& report)
{
    const auto& models = report.Models();
    // Names beside their numbers, so that sorting does not reach into the models; equal names keep
    // their order.
    std::vector<std::pair<std::string_view, std::size_t>> order(models.size());
    for (std::size_t i = 0; i < models.size(); ++i)
        order[i] = {models[i].name, i};
    std::sort(order.begin(), order.end());

    std::string out = "name\tcontainer\ttier\toutcome\tkey\tnumber\treason\n";
    out.reserve(models.size() * 96);
    for (const auto& entry : order) {
        const ReportModel& model = models[entry.second];
        const bool counted = model.outcome != ModelOutcome::Ignored;
        for (const std::string_view field :
             {std::string_view(model.name), std::string_view(report.ContainerOf(model.source)),
              std::string_view(report.TierOf(model.source)), std::string_view(OutcomeName(model.outcome)),
              std::string_view(model.key)}) {
            AppendTsvField(out, field);
            out += '\t';
        }
        if (counted)
            out += std::to_string(model.number);
        out += '\t';
        AppendTsvField(out, model.reason);
        out += '\n';
    }
    return out;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, Placement placement)
{
    std::string temporary;
    // Written after the script is committed, so the one interrupt slot is free for this file.
    platform::OwnedFile file(platform::CreateUniqueFileRemovedOnInterrupt(path + kTemporarySuffix, temporary));
    if (!file)
        return false;
    bool ok = true;
    while (ok && !bytes.empty()) {
        const auto chunk = static_cast<std::uint32_t>(std::min<std::size_t>(bytes.size(), kWriteChunk));
        std::uint32_t written = 0;
        ok = platform::WriteOsFile(file.Get(), bytes.data(), chunk, written) && written == chunk;
        bytes.remove_prefix(chunk);
    }
    ok = platform::FlushOsFile(file.Get()) && ok;
    ok = file.Close() && ok;
    ok = ok && (placement == Placement::Replace ? platform::ReplaceFile(temporary, path)
                                                : platform::MoveFileNoReplace(temporary, path));
    if (!ok)
        platform::DeleteFilePath(temporary);
    platform::RemoveFileOnInterrupt({});
    return ok;
}

void WriteReportFiles(const RunReport& report, const std::string& base, const std::string& directory,
                      IDebugTextOut& console)
{
    const boost::filesystem::path given(base);
    const std::string target =
        directory.empty() || given.is_absolute() || given.has_root_directory() ? base : directory + "/" + base;
    using Format = std::string (*)(const RunReport&);
    const std::array<std::pair<const char*, Format>, 3> files = {{{kReportHtmlExtension, &FormatReportHtml},
                                                                  {kReportTsvExtension, &FormatReportTsv},
                                                                  {kReportConflictsExtension, &FormatConflictsTsv}}};
    for (const auto& [extension, format] : files) {
        bool written = false;
        try {
            written = WriteFileAtomically(target + extension, format(report));
        } catch (const std::exception&) {
            // Out of memory while formatting: the script is in place, so this report is all that fails.
        }
        if (!written)
            console.WriteText(kReportWriteFailedWarning, (base + extension).c_str());
    }
}

} // namespace brindle
