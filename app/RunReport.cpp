// The run report's data.
#include "app/RunReport.h"

#include "app/ModelRecord.h"
#include "platform/ByteWords.h"

#include <algorithm>
#include <cstring>
#include <functional>
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

/// The numbers 0..count-1 ordered by text(number), bytewise; equal texts keep their order. Tens of
/// thousands of texts, most of them alike only in their first few bytes: comparing numbers made
/// of their first sixteen bytes spares most of the byte comparisons.
template <class Text>
std::vector<std::size_t> OrderByText(std::size_t count, const Text& text)
{
    // The text itself is fetched only where the sixteen bytes agree: the entries the sort moves
    // stay small.
    struct Entry {
        std::uint64_t head;
        std::uint64_t next;
        std::size_t number;
    };
    static_assert(sizeof(Entry) == 24);
    std::vector<Entry> entries(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view one = text(i);
        entries[i] = {words::LeadingBytes(one), words::LeadingBytes(one.substr(std::min<std::size_t>(one.size(), 8))),
                      i};
    }
    std::sort(entries.begin(), entries.end(), [&text](const Entry& a, const Entry& b) {
        if (a.head != b.head)
            return a.head < b.head;
        if (a.next != b.next)
            return a.next < b.next;
        const int order = text(a.number).compare(text(b.number));
        return order != 0 ? order < 0 : a.number < b.number;
    });
    std::vector<std::size_t> order(count);
    for (std::size_t i = 0; i < count; ++i)
        order[i] = entries[i].number;
    return order;
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

template <class Write>
std::uint32_t RunReport::KeyOf(KeyTexts& keys, const KeyIdentity& identity, const Write& write)
{
    bool added = false;
    const std::uint32_t number = keys.identities.FindOrAdd(identity, added);
    if (!added)
        return keys.texts[number];
    // Filed with no text until the text is kept, should keeping it throw.
    keys.texts.push_back(kNoText);
    write(m_Scratch);
    return keys.texts[number] = Keep(m_Scratch);
}

void RunReport::AddCounted(std::string_view name, std::uint32_t source, const ModelRecord& record,
                           const LookupTables::ArmorVisualTypeIndexMap& visualIndex)
{
    const std::uint32_t key =
        KeyOf(m_IndexKeys, IndexIdentity(record), [&record](std::string& out) { record.WriteIndex(out); });
    ReportModel model{KeepBytes(name), source, ModelOutcome::Weapon, record.Variation(), 0, key, kNoText, kNoText};
    if (record.IsArmorVariation()) {
        model.outcome = ModelOutcome::ArmorVariation;
        // Found for every record the lists matched; the lookup does not throw for one that was not.
        const std::string* visual = record.VisualEntry();
        const auto row = visual != nullptr ? visualIndex.find(*visual) : visualIndex.find(std::string());
        if (row != visualIndex.end()) {
            model.visualKeyText = KeyOf(m_VisualKeys, ArmorVisualTypeIdentity(record),
                                        [&record](std::string& out) { record.WriteAVTIndex(out); });
            model.visualNumber = row->second;
        }
    } else if (record.IsArmorPart()) {
        model.outcome = ModelOutcome::ArmorPart;
    }
    m_Models.push_back(std::move(model));
}

void RunReport::AddIgnored(std::string_view name, std::uint32_t source, std::string_view reason)
{
    // Most ignored models give the reason the one before gave.
    if (m_LastReason == kNoText || m_Texts[m_LastReason] != reason)
        m_LastReason = Keep(reason);
    m_Models.push_back({KeepBytes(name), source, ModelOutcome::Ignored, 0, 0, kNoText, kNoText, m_LastReason});
}

std::string_view RunReport::KeepBytes(std::string_view bytes)
{
    if (bytes.empty())
        return {};
    if (bytes.size() > m_RoomLeft) {
        // Blocks of 64 KiB hold a few thousand names; a longer text gets one of its own.
        constexpr std::size_t kBlock = 64 * 1024;
        const std::size_t size = std::max(kBlock, bytes.size());
        m_Blocks.push_back(std::make_unique_for_overwrite<char[]>(size));
        m_Room = m_Blocks.back().get();
        m_RoomLeft = size;
    }
    std::memcpy(m_Room, bytes.data(), bytes.size());
    const std::string_view kept(m_Room, bytes.size());
    m_Room += bytes.size();
    m_RoomLeft -= bytes.size();
    return kept;
}

std::uint32_t RunReport::Keep(std::string_view text)
{
    const std::uint64_t hash = std::hash<std::string_view>()(text);
    const std::uint32_t found =
        m_TextNumbers.Find(hash, [this, text](std::uint32_t filed) { return m_Texts[filed] == text; });
    if (found != NumberSlots::kNone)
        return found;
    // The table never files kNoText. Should filing throw, the text kept is one no model names.
    m_Texts.push_back(KeepBytes(text));
    return m_TextNumbers.Add(hash);
}

const std::vector<std::uint32_t>& RunReport::TextRanks() const
{
    if (m_TextRanks.size() == m_Texts.size())
        return m_TextRanks;
    const std::vector<std::size_t> byText = OrderByText(m_Texts.size(), [this](std::size_t i) { return m_Texts[i]; });
    m_TextRanks.resize(byText.size());
    for (std::size_t rank = 0; rank < byText.size(); ++rank)
        m_TextRanks[byText[rank]] = static_cast<std::uint32_t>(rank);
    return m_TextRanks;
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
    if (m_ByName.size() != m_Models.size())
        m_ByName = OrderByText(m_Models.size(), [this](std::size_t i) { return m_Models[i].name; });
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
