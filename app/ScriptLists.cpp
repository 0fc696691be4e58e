// Lists of a constants script, recorded or read back.
#include "app/ScriptLists.h"

#include "app/ScriptWriter.h"

#include <algorithm>
#include <charconv>

namespace brindle {

namespace {

constexpr std::string_view kCommentMark = "//";
// More runs of lists in key order than this are sorted whole rather than merged.
constexpr std::size_t kMaxMergedRuns = 8;
// Editors that save as UTF-8 may put one in front; the tool never writes it.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

/// The lines of text without their line ends (LF, or CR LF); a final line end starts no line.
std::vector<std::string_view> SplitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        lines.push_back(line);
    }
    return lines;
}

/// The lines every script holds around its lists, in order.
const std::vector<std::string>& FixedLines()
{
    static const std::vector<std::string> lines = [] {
        const std::string text = ScriptWriter::FixedText();
        std::vector<std::string> fixed;
        for (const std::string_view line : SplitLines(text))
            fixed.emplace_back(line);
        return fixed;
    }();
    return lines;
}

bool Consume(std::string_view& text, std::string_view part)
{
    if (!text.starts_with(part))
        return false;
    text.remove_prefix(part.size());
    return true;
}

/// Reads a list line, active or behind "//"; false for any other line.
bool ReadListLine(std::string_view line, bool& commented, std::string_view& key, ScriptLists::Numbers& numbers)
{
    commented = Consume(line, kCommentMark);
    if (!Consume(line, kListLineStart))
        return false;
    const std::size_t keyEnd = line.find('"');
    if (keyEnd == 0 || keyEnd == std::string_view::npos)
        return false;
    key = line.substr(0, keyEnd);
    line.remove_prefix(keyEnd);
    if (!Consume(line, kListKeyEnd))
        return false;
    numbers.clear();
    // Each number is followed by "#": "#", "#5#", "#0#1#5#".
    while (!Consume(line, kListLineEnd)) {
        std::uint32_t number = 0;
        const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), number);
        if (error != std::errc() || end == line.data())
            return false;
        line.remove_prefix(static_cast<std::size_t>(end - line.data()));
        if (!Consume(line, "#"))
            return false;
        numbers.push_back(number);
    }
    return line.empty();
}

} // namespace

void ScriptLists::SortByKey()
{
    const auto byKey = [](const List& a, const List& b) { return a.key < b.key; };
    const auto begin = m_Lists.begin();
    const auto end = m_Lists.end();
    std::size_t runs = 0;
    for (auto run = begin; run != end; run = std::is_sorted_until(run, end, byKey))
        ++runs;
    // A script of this tool holds one run per section: merged one after the other. Anything else
    // is sorted whole. Both keep lists of one key in the order added.
    if (runs > kMaxMergedRuns) {
        std::stable_sort(begin, end, byKey);
        return;
    }
    for (auto sorted = std::is_sorted_until(begin, end, byKey); sorted != end;) {
        const auto runEnd = std::is_sorted_until(sorted, end, byKey);
        std::inplace_merge(begin, sorted, runEnd, byKey);
        sorted = runEnd;
    }
}

void ScriptLists::Add(std::string_view key, const Numbers& numbers)
{
    m_Lists.push_back({std::string(key), numbers});
    Numbers& added = m_Lists.back().numbers;
    // The writer hands its lists in order already.
    if (!std::is_sorted(added.begin(), added.end()))
        std::sort(added.begin(), added.end());
    added.erase(std::unique(added.begin(), added.end()), added.end());
    m_Finished = false;
}

void ScriptLists::Finish()
{
    SortByKey();
    // Of one key's lists the one added last stays.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_Lists.size(); ++i) {
        if (i + 1 < m_Lists.size() && m_Lists[i + 1].key == m_Lists[i].key)
            continue;
        if (kept != i)
            m_Lists[kept] = std::move(m_Lists[i]);
        ++kept;
    }
    m_Lists.resize(kept);
    m_Finished = true;
}

std::optional<ScriptLists> ScriptLists::Parse(std::string_view text)
{
    Consume(text, kByteOrderMark);
    const std::vector<std::string>& fixed = FixedLines();
    ScriptLists lists;
    std::size_t next = 0; // the fixed line expected next
    bool commented = false;
    std::string_view key;
    Numbers numbers;
    for (const std::string_view line : SplitLines(text)) {
        if (ReadListLine(line, commented, key, numbers)) {
            if (!commented)
                lists.Add(key, numbers);
        } else if (next < fixed.size() && line == fixed[next]) {
            ++next;
        } else {
            return std::nullopt;
        }
    }
    if (next != fixed.size())
        return std::nullopt;
    lists.Finish();
    return lists;
}

} // namespace brindle
