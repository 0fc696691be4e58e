// The run report's files: a tab-separated list of every model, a self-contained HTML page and a
// tab-separated list of the resources other sources beat, each written beside its target and
// renamed into place only when complete.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <system_error>

namespace brindle {

class IDebugTextOut;
class RunReport;

inline constexpr const char* kReportTsvExtension = ".tsv";
inline constexpr const char* kReportHtmlExtension = ".html";

/// A header line, then one line per model sorted by name: name, container, tier, outcome, key,
/// number, reason. Tabs and line ends inside a field become spaces.
std::string FormatReportTsv(const RunReport& report);

/// Takes the next piece of a file's bytes; false when it could not be written.
using ByteSink = std::function<bool(std::string_view)>;

/// Room a report file is built in before it goes to its sink: small enough to stay in the cache,
/// so a large report is never held whole.
inline constexpr std::size_t kReportPiece = 256 * 1024;

/// FormatReportTsv's bytes handed to sink in pieces of about kReportPiece; false when the sink
/// failed.
bool WriteReportTsv(const RunReport& report, const ByteSink& sink);

/// Appends field to a tab-separated line, each tab or line end inside it as a space, each other
/// control byte and each byte outside well-formed UTF-8 as '?'.
void AppendTsvField(std::string& out, std::string_view field);

/// How WriteFileAtomically puts its file in place.
enum class Placement { Replace, OnlyNew };

/// Writes bytes to a temporary file beside path and renames it over path (OnlyNew: only when
/// nothing is at path yet). The system's reason (and no file left behind) on any failure.
std::error_code WriteFileAtomically(const std::string& path, std::string_view bytes,
                                    Placement placement = Placement::Replace);

/// WriteFileAtomically for bytes that produce hands its sink piece by piece; fails also when
/// produce returns false (an I/O error unless a write gave a reason) or throws (out of memory).
std::error_code WriteFileInPieces(const std::string& path, const std::function<bool(const ByteSink&)>& produce,
                                  Placement placement = Placement::Replace);

/// Writes base + ".html", base + ".tsv" and base + ".conflicts.tsv" (base relative to directory
/// unless absolute; an empty directory is the working directory); for each that fails, console shows
/// "\nWARNING: Failed to write report '<base><extension>'.".
void WriteReportFiles(const RunReport& report, const std::string& base, const std::string& directory,
                      IDebugTextOut& console);

} // namespace brindle
