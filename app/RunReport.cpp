// The run report's data.
#include "app/RunReport.h"

#include "app/ModelRecord.h"
#include "platform/ByteWords.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace brindle {

namespace {

bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

/// The part of path below folder, or false when path does not lie below it.
bool Below(std::string_view path, std::string_view folder, std::string_view& rest)
{
    while (!folder.empty() && IsSeparator(folder.back()))
        folder.remove_suffix(1);
    if (folder.empty() || !path.starts_with(folder) || path.size() == folder.size() ||
        !IsSeparator(path[folder.size()]))
        return false;
    rest = path.substr(folder.size());
    return true;
}

/// rest with "/" between its folders, each separator once, none in front.
std::string Normalised(std::string_view rest)
{
    std::string shown;
    for (const char c : rest) {
        if (!IsSeparator(c))
            shown += c;
        else if (!shown.empty() && shown.back() != '/')
            shown += '/';
    }
    return shown;
}

void AddOnce(std::vector<std::string>& codes, const std::string& code)
{
    if (!code.empty() && std::find(codes.begin(), codes.end(), code) == codes.end())
        codes.push_back(code);
}

} // namespace

RunReport::RunReport(std::string module, std::string install, std::string home)
    : m_Module(std::move(module)), m_Install(std::move(install)), m_Home(std::move(home))
{
}

void RunReport::AddCounted(std::string name, std::uint32_t source, const ModelRecord& record,
                           const LookupTables::ArmorVisualTypeIndexMap& visualIndex)
{
    record.WriteIndex(m_Scratch);
    ReportModel model{std::move(name), source, ModelOutcome::Weapon, Keep(m_Scratch), record.Variation(), {}, 0, {}};
    if (record.IsArmorVariation()) {
        model.outcome = ModelOutcome::ArmorVariation;
        // Found for every record the lists matched; the lookup does not throw for one that was not.
        const std::string* visual = record.VisualEntry();
        const auto row = visual != nullptr ? visualIndex.find(*visual) : visualIndex.find(std::string());
        if (row != visualIndex.end()) {
            record.WriteAVTIndex(m_Scratch);
            model.visualKey = Keep(m_Scratch);
            model.visualNumber = row->second;
        }
    } else if (record.IsArmorPart()) {
        model.outcome = ModelOutcome::ArmorPart;
    }
    m_Models.push_back(std::move(model));
}

void RunReport::AddIgnored(std::string name, std::uint32_t source, std::string reason)
{
    m_Models.push_back({std::move(name), source, ModelOutcome::Ignored, {}, 0, {}, 0, Keep(reason)});
}

std::string_view RunReport::Keep(const std::string& text)
{
    return *m_Texts.insert(text).first;
}

void RunReport::SetTables(const LookupTables& tables, const std::array<std::size_t, 4>& rows,
                          const std::array<bool, 4>& read)
{
    const std::array<const std::vector<std::string>*, 4> lists = {&tables.Genders(), &tables.Races(),
                                                                  &tables.ArmorVisualTypes(), &tables.ItemClasses()};
    for (std::size_t i = 0; i < m_Tables.size(); ++i) {
        m_Tables[i] = {kReportTables[i], rows[i], read[i], {}};
        for (const std::string& code : *lists[i])
            AddOnce(m_Tables[i].codes, code);
    }
}

std::array<std::size_t, 4> RunReport::Counts() const
{
    std::array<std::size_t, 4> counts{};
    for (const ReportModel& model : m_Models)
        ++counts[static_cast<std::size_t>(model.outcome)];
    return counts;
}

const std::vector<std::size_t>& RunReport::ModelsByName() const
{
    if (m_ByName.size() == m_Models.size())
        return m_ByName;
    // Tens of thousands of names, most of them alike only in their first few bytes: comparing
    // numbers first spares most of the byte comparisons.
    struct Entry {
        std::uint64_t head;
        std::uint64_t next;
        std::string_view name;
        std::size_t model;
    };
    std::vector<Entry> entries(m_Models.size());
    for (std::size_t i = 0; i < m_Models.size(); ++i) {
        const std::string_view name = m_Models[i].name;
        entries[i] = {words::LeadingBytes(name),
                      words::LeadingBytes(name.substr(std::min<std::size_t>(name.size(), 8))), name, i};
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (a.head != b.head)
            return a.head < b.head;
        if (a.next != b.next)
            return a.next < b.next;
        const int order = a.name.compare(b.name);
        return order != 0 ? order < 0 : a.model < b.model;
    });
    m_ByName.resize(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        m_ByName[i] = entries[i].model;
    return m_ByName;
}

void RunReport::SetLoad(LoadRecord load)
{
    m_Load = std::move(load);
    m_ShownPaths.clear();
    for (const SourceRecord& source : m_Load.sources)
        m_ShownPaths.push_back(ShowPath(source.path));
}

std::string RunReport::ShowPath(const std::string& path) const
{
    // The more specific folder first, should one lie inside the other.
    const bool homeFirst = m_Home.size() >= m_Install.size();
    std::string_view rest;
    for (int i = 0; i < 2; ++i) {
        const bool home = (i == 0) == homeFirst;
        if (Below(path, home ? m_Home : m_Install, rest))
            return (home ? "home:" : "install:") + Normalised(rest);
    }
    return path;
}

const std::string& RunReport::ContainerOf(std::uint32_t source) const
{
    static const std::string none;
    return source < m_ShownPaths.size() ? m_ShownPaths[source] : none;
}

const std::string& RunReport::TierOf(std::uint32_t source) const
{
    static const std::string none;
    return source < m_Load.sources.size() ? m_Load.sources[source].tier : none;
}

const char* OutcomeName(ModelOutcome outcome)
{
    switch (outcome) {
    case ModelOutcome::Weapon:
        return "weapon";
    case ModelOutcome::ArmorVariation:
        return "armor variation";
    case ModelOutcome::ArmorPart:
        return "armor part";
    default:
        return "ignored";
    }
}

} // namespace brindle
