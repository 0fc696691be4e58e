// Writing the run report's files.
#include "app/ReportOutput.h"

#include "app/IDebugTextOut.h"
#include "app/PieceWriter.h"
#include "app/ReadableText.h"
#include "app/ReportConflicts.h"
#include "app/ReportHtml.h"
#include "app/RunReport.h"
#include "platform/File.h"
#include "platform/SystemFailure.h"
#include "platform/TemporaryOutput.h"

#include <boost/filesystem/path.hpp>

#include <algorithm>
#include <array>
#include <utility>
#include <cstdint>
#include <cstring>
#include <vector>

namespace brindle {

namespace {

/// Shown for each report file that could not be written, with the path as configured plus its
/// extension.
constexpr const char* kReportWriteFailedWarning = "\nWARNING: Failed to write report '%s'.";
constexpr const char* kReportNameIsFolderWarning =
    "\nWARNING: Report '%s' names a folder, not a file: no report was written.";
constexpr const char* kReportNameTooLongWarning =
    "\nWARNING: Report name '%s' is too long: '%s' would have %llu characters, more than a file name may "
    "have (%llu); no report was written.";
constexpr const char* kTemporarySuffix = ".tmp";

} // namespace

void AppendTsvField(std::string& out, std::string_view field)
{
    // Most fields are printable ASCII, and they go in whole.
    if (!NeedsCheck(field)) {
        out.append(field);
        return;
    }
    // A tab or line end inside a field would split it: each becomes a space. Other controls and
    // bytes outside well-formed UTF-8 become '?', as on the console.
    const std::size_t start = out.size();
    AppendReadable(out, field, true);
    for (std::size_t j = start; j < out.size(); ++j)
        if (out[j] == '\t' || out[j] == '\r' || out[j] == '\n')
            out[j] = ' ';
}

namespace {

/// field into out as AppendTsvField makes it; scratch is room for a field that needs changing.
void PutTsvField(PieceWriter& out, std::string_view field, std::string& scratch)
{
    if (!NeedsCheck(field)) {
        out.Put(field);
        return;
    }
    scratch.clear();
    AppendTsvField(scratch, field);
    out.Put(scratch);
}

/// The list into out, handed to its sink (if any) in pieces of about kReportPiece.
void BuildReportTsv(const RunReport& report, PieceWriter& out)
{
    const auto& models = report.Models();
    // Container and tier are the same for every model of a source: each source's pair of fields
    // is made once.
    const std::size_t sourceCount = report.Load().sources.size();
    std::vector<std::string> sourceFields(sourceCount + 1);
    for (std::size_t source = 0; source <= sourceCount; ++source) {
        const auto number = source < sourceCount ? static_cast<std::uint32_t>(source) : LoadRecord::npos;
        std::string& fields = sourceFields[source];
        AppendTsvField(fields, report.ContainerOf(number));
        fields += '\t';
        AppendTsvField(fields, report.TierOf(number));
        fields += '\t';
    }

    std::string scratch;
    // Keys and reasons are shared by many models: each text is checked once.
    enum class Check : std::uint8_t { NotYet, Plain, Changed };
    std::vector<Check> checks(report.TextCount(), Check::NotYet);
    const auto putText = [&](std::uint32_t number) {
        if (number == RunReport::kNoText)
            return;
        const std::string_view text = report.Text(number);
        Check& check = checks[number];
        if (check == Check::NotYet)
            check = NeedsCheck(text) ? Check::Changed : Check::Plain;
        if (check == Check::Plain)
            out.Put(text);
        else
            PutTsvField(out, text, scratch);
    };
    out.Put("name\tcontainer\ttier\toutcome\tkey\tnumber\treason\n");
    for (const std::size_t i : report.ModelsByName()) {
        const ReportModel& model = models[i];
        PutTsvField(out, model.name, scratch);
        out.Put('\t');
        out.Put(sourceFields[std::min<std::size_t>(model.source, sourceCount)]);
        // The outcome names hold no tab or line end.
        out.Put(OutcomeName(model.outcome));
        out.Put('\t');
        putText(model.keyText);
        out.Put('\t');
        if (model.outcome != ModelOutcome::Ignored)
            out.Number(model.number);
        out.Put('\t');
        putText(model.reasonText);
        out.Put('\n');
        out.Spill();
    }
    out.Spill(0);
}

} // namespace

std::string FormatReportTsv(const RunReport& report)
{
    PieceWriter out(nullptr, report.Models().size() * 96);
    BuildReportTsv(report, out);
    return out.Take();
}

bool WriteReportTsv(const RunReport& report, const ByteSink& sink)
{
    PieceWriter out(&sink, 0);
    BuildReportTsv(report, out);
    return out.Ok();
}

namespace {

/// The start of the temporary file's name for path: path and ".tmp", its last part cut (at a
/// character's start) where the random part would make the name longer than a name may be.
std::string TemporaryPrefixFor(const std::string& path)
{
    const std::size_t leafStart = path.size() - std::min(path.size(), boost::filesystem::path(path).filename().size());
    const std::size_t room = platform::kMaxFileNameLength - std::strlen(kTemporarySuffix) - platform::kUniqueNameLength;
    std::size_t end = path.size();
    if (end - leafStart > room) {
        end = leafStart + room;
        while (end > leafStart && (static_cast<unsigned char>(path[end]) & 0xc0) == 0x80)
            --end;
    }
    return path.substr(0, end) + kTemporarySuffix;
}

} // namespace

namespace {

/// Fills output, a new temporary file beside path, with what produce hands its sink; the reason
/// when it could not (the file is then gone).
std::error_code FillTemporary(platform::TemporaryOutput& output, const std::string& path,
                              const std::function<bool(const ByteSink&)>& produce)
{
    if (const std::error_code created = output.Create(TemporaryPrefixFor(path)))
        return created;
    std::error_code written;
    const ByteSink sink = [&output, &written](std::string_view bytes) {
        written = output.Write(bytes);
        return !written;
    };
    bool ok = false;
    try {
        ok = produce(sink);
    } catch (const std::exception&) {
        // Out of memory while formatting: what was written goes with the temporary file.
        output.Discard();
        return platform::OutOfMemory();
    }
    if (!ok) {
        output.Discard();
        return written ? written : std::make_error_code(std::errc::io_error);
    }
    return {};
}

std::error_code KeepAt(platform::TemporaryOutput& output, const std::string& path, Placement placement)
{
    using Rename = platform::TemporaryOutput::Rename;
    return output.Keep(path, placement == Placement::Replace ? Rename::Replace : Rename::NoReplace);
}

} // namespace

std::error_code WriteFileInPieces(const std::string& path, const std::function<bool(const ByteSink&)>& produce,
                                  Placement placement)
{
    platform::TemporaryOutput output;
    if (const std::error_code failed = FillTemporary(output, path, produce))
        return failed;
    return KeepAt(output, path, placement);
}

std::error_code WriteFileAtomically(const std::string& path, std::string_view bytes, Placement placement)
{
    return WriteFileInPieces(path, [bytes](const ByteSink& sink) { return sink(bytes); }, placement);
}

void WriteReportFiles(const RunReport& report, const std::string& base, const std::string& directory,
                      IDebugTextOut& console)
{
    const boost::filesystem::path given(base);
    // "..", "." or a trailing separator would give hidden files named only by their extension.
    const std::string leaf = given.filename().string();
    if (leaf.empty() || leaf == "." || leaf == "..") {
        console.WriteText(kReportNameIsFolderWarning, base.c_str());
        return;
    }
    // The longest of the three names must fit, or the report would be written only in part.
    const std::size_t longest = leaf.size() + std::strlen(kReportConflictsExtension);
    if (longest > platform::kMaxFileNameLength) {
        console.WriteText(kReportNameTooLongWarning, base.c_str(), (leaf + kReportConflictsExtension).c_str(),
                          static_cast<unsigned long long>(longest),
                          static_cast<unsigned long long>(platform::kMaxFileNameLength));
        return;
    }
    const std::string target =
        directory.empty() || given.is_absolute() || given.has_root_directory() ? base : directory + "/" + base;
    // The page and the list of models are written in pieces as they are made; the conflicts are few.
    using Produce = std::function<bool(const ByteSink&)>;
    const std::array<std::pair<const char*, Produce>, 3> files = {{
        {kReportHtmlExtension, [&report](const ByteSink& sink) { return WriteReportHtml(report, sink); }},
        {kReportTsvExtension, [&report](const ByteSink& sink) { return WriteReportTsv(report, sink); }},
        {kReportConflictsExtension, [&report](const ByteSink& sink) { return sink(FormatConflictsTsv(report)); }},
    }};
    // Each file is flushed to the disk on a thread of its own once complete, and waited for only
    // once all are made: the disk writes one while the next is formatted.
    std::array<platform::TemporaryOutput, files.size()> outputs;
    std::array<std::error_code, files.size()> failed;
    for (std::size_t i = 0; i < files.size(); ++i) {
        // Out of memory while formatting fails this file alone: the script is in place.
        failed[i] = FillTemporary(outputs[i], target + files[i].first, files[i].second);
        if (!failed[i])
            outputs[i].StartFlush();
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!failed[i])
            failed[i] = KeepAt(outputs[i], target + files[i].first, Placement::Replace);
        if (failed[i])
            console.WriteText(kReportWriteFailedWarning, (base + files[i].first).c_str());
    }
}

} // namespace brindle
