// Comparing the earlier script's lists with the new ones, and the lines that show the difference.
#include "app/ChangeSummary.h"

#include "app/IDebugTextOut.h"

#include <algorithm>
#include <iterator>

namespace brindle {

namespace {

constexpr const char* kChangesHeading = "Changes since the previous script:";
constexpr const char* kNoChange = "No change since the previous script.";
constexpr const char* kNotCompared =
    "The previous zorvmantle_set_constants.NSS was not compared: it is not a script this tool writes.";
constexpr const char* kMoreChanges = "  ... and ";
constexpr const char* kMoreChangesEnd = " more";

void AppendNumbers(std::string& line, char sign, const ScriptLists::Numbers& numbers)
{
    if (numbers.empty())
        return;
    line += ' ';
    line += sign;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (i != 0)
            line += ',';
        line += std::to_string(numbers[i]);
    }
}

} // namespace

ChangeSummary ChangeSummary::Compare(std::string_view earlierText, const ScriptLists& written)
{
    ChangeSummary summary;
    if (const std::optional<ScriptLists> earlier = ScriptLists::Parse(earlierText)) {
        summary.m_Compared = true;
        summary.m_Changes = Differences(*earlier, written);
    }
    return summary;
}

std::optional<ChangeSummary> ChangeSummary::CompareTexts(std::string_view earlierText, std::string_view writtenText)
{
    if (earlierText == writtenText) {
        ChangeSummary summary;
        summary.m_Compared = true;
        return summary;
    }
    const std::optional<ScriptLists> written = ScriptLists::Parse(writtenText);
    if (!written)
        return std::nullopt;
    return Compare(earlierText, *written);
}

std::vector<ListChange> ChangeSummary::Differences(const ScriptLists& earlier, const ScriptLists& written)
{
    // Both lists are in key order: one merge pass.
    std::vector<ListChange> changes;
    auto before = earlier.Lists().begin();
    auto after = written.Lists().begin();
    const auto beforeEnd = earlier.Lists().end();
    const auto afterEnd = written.Lists().end();
    while (before != beforeEnd || after != afterEnd) {
        if (after == afterEnd || (before != beforeEnd && before->key < after->key)) {
            changes.push_back({before->key, ListChange::Kind::Gone, {}, {}});
            ++before;
        } else if (before == beforeEnd || after->key < before->key) {
            changes.push_back({after->key, ListChange::Kind::New, {}, {}});
            ++after;
        } else {
            if (before->numbers != after->numbers) {
                ListChange change{after->key, ListChange::Kind::Changed, {}, {}};
                std::set_difference(after->numbers.begin(), after->numbers.end(), before->numbers.begin(),
                                    before->numbers.end(), std::back_inserter(change.added));
                std::set_difference(before->numbers.begin(), before->numbers.end(), after->numbers.begin(),
                                    after->numbers.end(), std::back_inserter(change.removed));
                changes.push_back(std::move(change));
            }
            ++before;
            ++after;
        }
    }
    return changes;
}

std::vector<std::string> ChangeSummary::Lines(std::size_t limit) const
{
    if (!m_Compared)
        return {kNotCompared};
    if (m_Changes.empty())
        return {kNoChange};
    std::vector<std::string> lines{kChangesHeading};
    const std::size_t shown = std::min(limit, m_Changes.size());
    for (std::size_t i = 0; i < shown; ++i)
        lines.push_back(FormatListChange(m_Changes[i]));
    if (shown < m_Changes.size())
        lines.push_back(kMoreChanges + std::to_string(m_Changes.size() - shown) + kMoreChangesEnd);
    return lines;
}

void ChangeSummary::Print(IDebugTextOut& console) const
{
    const std::vector<std::string> lines = Lines(kConsoleChangeLines);
    for (std::size_t i = 0; i < lines.size(); ++i)
        console.WriteText(i == 0 ? "\n\n%s" : "\n%s", lines[i].c_str());
}

std::string FormatListChange(const ListChange& change)
{
    std::string line = "  " + change.key + ":";
    switch (change.kind) {
    case ListChange::Kind::New:
        line += " new";
        break;
    case ListChange::Kind::Gone:
        line += " gone";
        break;
    case ListChange::Kind::Changed:
        AppendNumbers(line, '+', change.added);
        AppendNumbers(line, '-', change.removed);
        break;
    }
    return line;
}

} // namespace brindle
