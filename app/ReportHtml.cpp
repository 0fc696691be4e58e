// The run report's HTML page. Every text that comes from game data or configuration is escaped.
#include "app/ReportHtml.h"

#include "app/PieceWriter.h"
#include "app/ReadableText.h"
#include "app/ReportConflicts.h"
#include "app/ReportGrid.h"
#include "app/RunReport.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace brindle {

namespace {

constexpr std::string_view kHead =
    "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
    "<meta name=\"viewport\" content=\"width=device-width\">\n<style>\n"
    "body{font:14px/1.4 system-ui,sans-serif;margin:1.5em;color:#222;background:#fff}\n"
    "h1{font-size:1.5em}h2{font-size:1.25em;border-bottom:1px solid #ccc;margin-top:1.6em}h3{font-size:1.05em}\n"
    "table{border-collapse:collapse}th,td{padding:2px 6px;text-align:left;vertical-align:top}\n"
    ".list td,.list th{border:1px solid #ddd}.list tbody tr:nth-child(even){background:#f6f6f6}\n"
    ".num{text-align:right}.bad{color:#a00}.won{font-weight:bold}code{background:#eee;padding:0 3px;margin:1px;"
    "display:inline-block}\n"
    ".stats{font-size:1.1em}.scroll{overflow:auto;max-height:40em;border:1px solid #ccc;"
    "content-visibility:auto;contain-intrinsic-size:auto 40em}\n"
    ".grid{font-size:12px}.grid th,.grid td{border:1px solid #e4e4e4;padding:0 3px;white-space:nowrap}\n"
    ".grid td{min-width:1.4em;text-align:center;color:#fff}.grid td.f{background:#2e7d4f}"
    ".grid td.m{background:#14532d}\n"
    ".grid thead th{position:sticky;top:0;background:#fafafa}.grid tbody th{background:#fafafa;text-align:left}\n"
    "summary{cursor:pointer}details{margin:.3em 0}#filter{font-size:1em;padding:2px 6px;width:22em}\n"
    "</style>\n";

constexpr std::string_view kScript =
    "<script>\n"
    "(function(){var f=document.getElementById('filter');f.hidden=false;\n"
    "f.addEventListener('input',function(){var q=f.value.toUpperCase();\n"
    "document.querySelectorAll('.grid tbody tr,.ign tbody tr').forEach(function(r){\n"
    "r.hidden=q!==''&&r.cells[0].textContent.toUpperCase().indexOf(q)<0;});});})();\n"
    "</script>\n";

/// The entity for a character that must not appear as itself in the page, else null.
const char* EntityFor(char c)
{
    switch (c) {
    case '&':
        return "&amp;";
    case '<':
        return "&lt;";
    case '>':
        return "&gt;";
    case '"':
        return "&quot;";
    case '\'':
        return "&#39;";
    default:
        return nullptr;
    }
}

/// Which bytes EntityFor replaces, and those AppendReadable looks at.
constexpr std::array<bool, 256> kSpecialBytes = [] {
    std::array<bool, 256> special = kBytesToCheck;
    for (const char c : {'&', '<', '>', '"', '\''})
        special[static_cast<unsigned char>(c)] = true;
    return special;
}();

/// Appends text with its special bytes replaced (see AppendEscaped); for a text that holds some.
void AppendSpecialEscaped(std::string& out, std::string_view text)
{
    // Controls (but the layout's) and bytes outside well-formed UTF-8 show as '?', as on the console.
    std::string readable;
    AppendReadable(readable, text, true);
    text = readable;
    // Runs of plain characters go in whole.
    std::size_t plain = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (const char* entity = EntityFor(text[i])) {
            out.append(text.substr(plain, i - plain));
            out += entity;
            plain = i + 1;
        }
    }
    out.append(text.substr(plain));
}

void AppendEscaped(std::string& out, std::string_view text)
{
    // Most texts hold no such character, and they go in whole.
    if (AnyMarked(text, kSpecialBytes))
        AppendSpecialEscaped(out, text);
    else
        out.append(text);
}

class Page {
public:
    /// With a sink, the page goes to it in pieces; else Build returns it whole.
    Page(const RunReport& report, const ByteSink* sink);

    std::string Build();
    /// False when the sink failed.
    bool Ok() const { return m_Out.Ok(); }

private:
    void Put(std::string_view text) { m_Out.Put(text); }
    /// Hands the sink what is made once it holds a piece's worth; called between rows.
    void Spill(std::size_t least = kReportPiece) { m_Out.Spill(least); }
    void Text(std::string_view text);
    void Number(std::uint64_t value) { m_Out.Number(value); }
    /// The source's shown path and tier as "path (tier)".
    void Source(std::uint32_t source);
    /// The source's shown path, escaped.
    void Container(std::uint32_t source);

    void Summary();
    /// How "auto" found a folder, after its path; nothing for a configured folder.
    void FolderOrigin(const std::string& how);
    void Changes();
    void Sources();
    void Tables();
    /// Which source's copy of the table was read, how that went, and the copies it beat.
    void TableCopies(const ReportTable& table);
    void Conflicts();
    void Grids();
    void Grid(const char* title, ModelOutcome outcome, bool visual);
    void FilledCell(const ReportGrid& grid, const GridCell& cell);
    /// A run of empty cells is one cell spanning their columns.
    void EmptyCells(std::size_t count);
    void Ignored();

    const RunReport& m_Report;
    PieceWriter m_Out;
    /// Room for a text being escaped.
    std::string m_Escaped;
    /// Per source, escaped once: every model names its source.
    std::vector<std::string> m_Containers;
    std::vector<std::string> m_Sources;
};

Page::Page(const RunReport& report, const ByteSink* sink)
    // About what a model takes on the page (its grid cell or ignored row), so the text grows once.
    : m_Report(report), m_Out(sink, 16384 + report.Models().size() * 160)
{
    const std::size_t count = report.Load().sources.size();
    for (std::uint32_t source = 0; source < count; ++source) {
        m_Containers.push_back(EscapeHtml(report.ContainerOf(source)));
        std::string shown = m_Containers.back();
        if (const std::string& tier = report.TierOf(source); !tier.empty()) {
            shown += " (";
            AppendEscaped(shown, tier);
            shown += ")";
        }
        m_Sources.push_back(std::move(shown));
    }
}

void Page::Text(std::string_view text)
{
    if (!AnyMarked(text, kSpecialBytes)) {
        Put(text);
        return;
    }
    m_Escaped.clear();
    AppendSpecialEscaped(m_Escaped, text);
    Put(m_Escaped);
}

void Page::Container(std::uint32_t source)
{
    if (source < m_Containers.size())
        Put(m_Containers[source]);
}

void Page::Source(std::uint32_t source)
{
    if (source < m_Sources.size())
        Put(m_Sources[source]);
}

std::string Page::Build()
{
    Put(kHead);
    Put("<title>Run report: ");
    Text(m_Report.Module());
    Put("</title></head><body>\n<h1>Run report for module ");
    Text(m_Report.Module());
    Put("</h1>\n<p><a href=\"#summary\">Summary</a> · ");
    if (m_Report.Changes())
        Put("<a href=\"#changes\">Changes</a> · ");
    Put("<a href=\"#sources\">Data sources</a> · "
        "<a href=\"#tables\">Game tables</a> · <a href=\"#conflicts\">Conflicts</a> · "
        "<a href=\"#lists\">Script lists</a> · <a href=\"#ignored\">Ignored models</a></p>\n");
    Summary();
    Changes();
    Sources();
    Tables();
    Conflicts();
    Grids();
    Ignored();
    Put(kScript);
    Put("</body></html>\n");
    Spill(0);
    return m_Out.Take();
}

void Page::FolderOrigin(const std::string& how)
{
    if (how.empty())
        return;
    Put(" <small>(found by <code>auto</code>: ");
    Text(how);
    Put(")</small>");
}

void Page::Summary()
{
    Put("<section id=\"summary\"><h2>Summary</h2>\n<table class=\"list\"><tr><th>Module</th><td>");
    Text(m_Report.Module());
    Put("</td></tr><tr><th>Installation folder</th><td>");
    Text(m_Report.Install());
    FolderOrigin(m_Report.InstallOrigin());
    Put("</td></tr><tr><th>Home folder</th><td>");
    Text(m_Report.Home());
    FolderOrigin(m_Report.HomeOrigin());
    Put("</td></tr></table>\n<h3>Statistics</h3>\n<ul class=\"stats\">");
    const auto counts = m_Report.Counts();
    const std::array<const char*, 4> labels = {"Weapon Models", "Armor Variations", "Armor Parts", "Ignored Models"};
    for (std::size_t i = 0; i < labels.size(); ++i) {
        Put("<li>");
        Put(labels[i]);
        Put(": ");
        Number(counts[i]);
        Put("</li>");
    }
    Put("</ul>\n<h3>Warnings (");
    Number(m_Report.Warnings().size());
    Put(")</h3>\n");
    if (m_Report.Warnings().empty()) {
        Put("<p>None.</p>\n");
    } else {
        Put("<ul>");
        for (const std::string& warning : m_Report.Warnings()) {
            Put("<li class=\"bad\">");
            Text(warning);
            Put("</li>\n");
        }
        Put("</ul>\n");
    }
    Put("</section>\n");
}

void Page::Changes()
{
    const std::optional<ChangeSummary>& changes = m_Report.Changes();
    if (!changes)
        return;
    // The console's lines, none left out.
    Put("<section id=\"changes\"><h2>Changes since the previous script</h2>\n<pre class=\"changes\">");
    for (const std::string& line : changes->Lines(changes->Changes().size())) {
        Text(line);
        Put("\n");
    }
    Put("</pre></section>\n");
}

void Page::Sources()
{
    const auto& sources = m_Report.Load().sources;
    std::vector<std::uint64_t> won(sources.size(), 0);
    for (const ReportModel& model : m_Report.Models())
        if (model.source < won.size())
            ++won[model.source];
    const std::vector<std::size_t> beaten = BeatenCounts(m_Report.Load());
    Put("<section id=\"sources\"><h2>Data sources</h2>\n<p>Searched from the top: of two resources with the "
        "same name and type, the one higher up wins.</p>\n<table class=\"list\"><thead><tr><th>#</th><th>Tier</th>"
        "<th>Kind</th><th>Container</th><th>Entries</th><th>Models</th><th>Models won</th><th>Beaten by others</th>"
        "<th>Status</th></tr>"
        "</thead><tbody>\n");
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const SourceRecord& source = sources[i];
        Put("<tr><td class=\"num\">");
        Number(i + 1);
        Put("</td><td>");
        Text(source.tier);
        Put("</td><td>");
        Text(source.kind);
        Put("</td><td>");
        Container(static_cast<std::uint32_t>(i));
        Put("</td><td class=\"num\">");
        Number(source.entries);
        Put("</td><td class=\"num\">");
        Number(source.models);
        Put("</td><td class=\"num\">");
        Number(won[i]);
        Put("</td><td class=\"num\">");
        Number(beaten[i]);
        if (source.loaded) {
            Put("</td><td>loaded</td></tr>\n");
        } else {
            Put("</td><td class=\"bad\">failed: ");
            Text(source.failure);
            Put("</td></tr>\n");
        }
    }
    Put("</tbody></table></section>\n");
}

void Page::Tables()
{
    Put("<section id=\"tables\"><h2>Game tables</h2>\n");
    for (const ReportTable& table : m_Report.Tables()) {
        Put("<h3>");
        Text(table.name);
        Put(".2da</h3>\n");
        TableCopies(table);
        Put("<p>Codes model names are matched against (");
        Number(table.codes.size());
        Put("): ");
        for (const std::string& code : table.codes) {
            Put("<code>");
            Text(code);
            Put("</code> ");
        }
        Put("</p>\n");
    }
    Put("</section>\n");
}

void Page::TableCopies(const ReportTable& table)
{
    const LoadRecord& load = m_Report.Load();
    const auto copies = load.tableCopies.find(table.name);
    if (copies == load.tableCopies.end() || copies->second.empty()) {
        Put("<p class=\"bad\">No source holds this table.</p>\n");
        return;
    }
    Put("<p>Winning copy: <span class=\"won\">");
    Source(copies->second.front());
    Put("</span>");
    if (const auto failed = load.tableFailures.find(table.name); failed != load.tableFailures.end()) {
        Put(" <span class=\"bad\">failed to read: ");
        Text(failed->second);
        Put("</span>");
    } else if (table.read) {
        Put(", ");
        Number(table.rows);
        Put(" rows read");
    }
    Put("</p>\n");
    if (copies->second.size() > 1) {
        Put("<p>Beaten copies, never read:</p><ul>");
        for (std::size_t i = 1; i < copies->second.size(); ++i) {
            Put("<li>");
            Source(copies->second[i]);
            Put("</li>");
        }
        Put("</ul>\n");
    }
}

void Page::Conflicts()
{
    Put("<section id=\"conflicts\"><h2>Conflicts</h2>\n<p>Resources that more than one source holds: the copy "
        "higher up wins and the others are never read. Per source, the copies beaten and the sources that beat "
        "them.</p>\n");
    const std::vector<SourceConflicts> conflicts = GroupConflicts(m_Report.Load());
    if (conflicts.empty()) {
        Put("<p>None.</p></section>\n");
        return;
    }
    Put("<table class=\"list\"><thead><tr><th>Source</th><th>Beaten</th><th>Beaten by</th></tr></thead><tbody>\n");
    for (const SourceConflicts& source : conflicts) {
        Put("<tr><td>");
        Source(source.source);
        Put("</td><td class=\"num\">");
        Number(source.beaten);
        Put("</td><td>");
        for (const ConflictPair& pair : source.pairs) {
            Put("<details><summary>");
            Source(pair.winner);
            Put(": ");
            Number(pair.copies.size());
            Put("</summary>");
            for (const BeatenCopy* copy : pair.copies) {
                Put("<code>");
                Text(copy->name);
                Put(".");
                Text(TypeText(copy->type));
                Put("</code> ");
            }
            Put("</details>");
        }
        Put("</td></tr>\n");
        Spill();
    }
    Put("</tbody></table></section>\n");
}

void Page::Grids()
{
    Put("<section id=\"lists\"><h2>Script lists</h2>\n<p>A row per list, a column per number; a filled cell is a "
        "model (its name and container show on hover).</p>\n<p><input id=\"filter\" hidden type=\"search\" "
        "placeholder=\"Filter lists and ignored models by name\"></p>\n");
    Grid("Weapon model parts", ModelOutcome::Weapon, false);
    Grid("Armor variations", ModelOutcome::ArmorVariation, false);
    Grid("Armor parts", ModelOutcome::ArmorPart, false);
    Grid("Armor visual types", ModelOutcome::ArmorVariation, true);
    Put("</section>\n");
}

void Page::Grid(const char* title, ModelOutcome outcome, bool visual)
{
    const ReportGrid grid = BuildReportGrid(m_Report, outcome, visual);
    Put("<h3>");
    Put(title);
    Put(" (");
    Number(grid.rows.size());
    Put(" lists)</h3>\n");
    if (grid.rows.empty()) {
        Put("<p>No list.</p>\n");
        return;
    }
    Put("<div class=\"scroll\"><table class=\"grid\"><thead><tr><th>List</th>");
    for (const std::uint32_t number : grid.columns) {
        Put("<th>");
        Number(number);
        Put("</th>");
    }
    Put("</tr></thead><tbody>\n");
    for (const GridRow& row : grid.rows) {
        Put("<tr><th>");
        Text(row.key);
        Put("</th>");
        for (const GridCell& cell : grid.CellsOf(row))
            FilledCell(grid, cell);
        EmptyCells(row.emptyAfter);
        Put("</tr>\n");
        Spill();
    }
    Put("</tbody></table></div>\n");
}

void Page::FilledCell(const ReportGrid& grid, const GridCell& cell)
{
    EmptyCells(cell.emptyBefore);
    const std::span<const std::size_t> models = grid.ModelsOf(cell);
    Put(models.size() > 1 ? "<td class=\"f m\" title=\"" : "<td class=\"f\" title=\"");
    for (std::size_t j = 0; j < models.size(); ++j) {
        const ReportModel& model = m_Report.Models()[models[j]];
        if (j != 0)
            Put("&#10;");
        Text(model.name);
        Put(" · ");
        Container(model.source);
    }
    Put("\">");
    Number(cell.number);
    Put("</td>");
}

void Page::EmptyCells(std::size_t count)
{
    if (count == 1) {
        Put("<td></td>");
    } else if (count > 1) {
        Put("<td colspan=\"");
        Number(count);
        Put("\"></td>");
    }
}

void Page::Ignored()
{
    const auto& models = m_Report.Models();
    const std::vector<IgnoredGroup> groups = GroupIgnoredModels(m_Report);
    Put("<section id=\"ignored\"><h2>Ignored models</h2>\n");
    if (groups.empty())
        Put("<p>None.</p>\n");
    for (const IgnoredGroup& group : groups) {
        Put(group.folded ? "<details><summary>" : "<details open><summary>");
        Text(group.reason);
        Put(" (");
        Number(group.models.size());
        Put(")</summary>\n<table class=\"list ign\"><thead><tr><th>Model</th><th>Container</th></tr></thead><tbody>\n");
        for (const std::size_t i : group.models) {
            Put("<tr><td>");
            Text(models[i].name);
            Put("</td><td>");
            Source(models[i].source);
            Put("</td></tr>\n");
            Spill();
        }
        Put("</tbody></table></details>\n");
    }
    Put("</section>\n");
}

} // namespace

std::string EscapeHtml(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size());
    AppendEscaped(escaped, text);
    return escaped;
}

std::string FormatReportHtml(const RunReport& report)
{
    return Page(report, nullptr).Build();
}

bool WriteReportHtml(const RunReport& report, const ByteSink& sink)
{
    Page page(report, &sink);
    page.Build();
    return page.Ok();
}

} // namespace brindle
