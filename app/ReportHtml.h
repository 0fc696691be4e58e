// The run report as one self-contained HTML page: inline style, no outside request, readable with
// scripts off; a small inline script adds a filter.
#pragma once

#include "app/ReportOutput.h"

#include <string>
#include <string_view>

namespace brindle {

class RunReport;

/// text with &, <, >, " and ' written as character references.
std::string EscapeHtml(std::string_view text);

/// The whole page: summary, data sources, game tables, the four script sections as grids and the
/// ignored models grouped by reason.
std::string FormatReportHtml(const RunReport& report);
/// The same page handed to sink in pieces of about kReportPiece; false when the sink failed.
bool WriteReportHtml(const RunReport& report, const ByteSink& sink);

} // namespace brindle
