// What a run changed in the script: the lists of the script in place before the run against those
// of the script the run wrote, list by list, shown on the console and in the run report.
#pragma once

#include "app/ScriptLists.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brindle {

class IDebugTextOut;

/// How one list differs between the earlier and the new script.
struct ListChange {
    enum class Kind : std::uint8_t { Changed, New, Gone };
    std::string key;
    Kind kind = Kind::Changed;
    ScriptLists::Numbers added;   ///< Changed: numbers only the new list holds, ascending
    ScriptLists::Numbers removed; ///< Changed: numbers only the earlier list held, ascending

    bool operator==(const ListChange&) const = default;
};

/// Console lines shown at most before the rest is counted in one line.
inline constexpr std::size_t kConsoleChangeLines = 40;

class ChangeSummary {
public:
    /// Compares the earlier script's text with the lists the run wrote (finished); an earlier text
    /// that is not a script of this tool is not compared.
    static ChangeSummary Compare(std::string_view earlierText, const ScriptLists& written);
    /// The same for the text of the script the run wrote, whose lists are read back from it only
    /// when the two texts differ (the same text changes no list). Nothing when writtenText is not a
    /// script of this tool: there are no lists to compare.
    static std::optional<ChangeSummary> CompareTexts(std::string_view earlierText, std::string_view writtenText);
    /// The summary when the earlier script could not be read at all: not compared.
    static ChangeSummary NotCompared() { return ChangeSummary(); }

    /// The changed lists by key in ascending byte order, when compared.
    static std::vector<ListChange> Differences(const ScriptLists& earlier, const ScriptLists& written);

    bool Compared() const { return m_Compared; }
    const std::vector<ListChange>& Changes() const { return m_Changes; }

    /// The summary's lines without line ends: a heading and a line per change, of which at most
    /// limit are shown and the rest counted in one last line; the no-change line; or the line
    /// that says the earlier file was not compared.
    std::vector<std::string> Lines(std::size_t limit) const;
    /// Writes the lines of Lines(kConsoleChangeLines) after a blank line.
    void Print(IDebugTextOut& console) const;

private:
    bool m_Compared = false;
    std::vector<ListChange> m_Changes;
};

/// "  <KEY>: +<n>,<n> -<n>" (a part left out when it holds no number), "  <KEY>: new" or
/// "  <KEY>: gone".
std::string FormatListChange(const ListChange& change);

} // namespace brindle
