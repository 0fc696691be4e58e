// Constants script generation.
#include "app/ScriptWriter.h"

#include "app/IDebugTextOut.h"
#include "app/ModelRecord.h"
#include "app/ScriptBoxes.h"
#include "app/ScriptLists.h"
#include "app/Settings.h"

#include <algorithm>
#include <charconv>
#include <sstream>
#include <utility>

namespace brindle {

namespace {

constexpr std::string_view kPreamble =
    "\nvoid main() {\n"
    "\tobject oModule = GetModule();\n"
    "\tobject oSpawnWP = GetWaypointByTag( \"VK_HIDDEN_WP\" );\n"
    "\tobject oHiddenContainer = CreateObject( OBJECT_TYPE_PLACEABLE, \"plc_colbox\", GetLocation( oSpawnWP ) );\n"
    "\tSetLocalObject( oModule, \"VK_HIDDEN_CONTAINER\", oHiddenContainer );";
constexpr std::string_view kSectionBreak = "\n\n";
constexpr std::string_view kClosing = "\n}";

/// The number every list may be given to offer an invisible model.
constexpr std::uint32_t kInvisibleValue = 0;

// Records of a key mostly come together, so the key is only made a map key when it is new, and
// only looked up when it differs from the last one's.
class SectionFiller {
public:
    explicit SectionFiller(ScriptWriter::SectionMap& section) : m_Section(section) {}

    void Add(const std::string& key, std::uint32_t number)
    {
        if (m_Last == nullptr || m_Last->first != key) {
            auto found = m_Section.find(key);
            if (found == m_Section.end())
                found = m_Section.emplace(key, std::vector<std::uint32_t>{}).first;
            m_Last = &*found;
        }
        auto& numbers = m_Last->second;
        if (std::find(numbers.begin(), numbers.end(), number) == numbers.end())
            numbers.push_back(number);
    }

private:
    ScriptWriter::SectionMap& m_Section;
    ScriptWriter::SectionMap::value_type* m_Last = nullptr; ///< elements of the map stay where they are
};

// The section's entries in ascending byte order of their keys.
std::vector<ScriptWriter::SectionMap::value_type*> InKeyOrder(ScriptWriter::SectionMap& section)
{
    std::vector<ScriptWriter::SectionMap::value_type*> entries;
    entries.reserve(section.size());
    for (auto& entry : section)
        entries.push_back(&entry);
    std::sort(entries.begin(), entries.end(), [](const auto* a, const auto* b) { return a->first < b->first; });
    return entries;
}

/// Takes the statistics of a script written only for its fixed text.
class SilentTextOut final : public IDebugTextOut {
public:
    void WriteText(std::uint16_t, const char*, ...) override {}
    void WriteText(const char*, ...) override {}
    void WriteTextV(std::uint16_t, const char*, va_list) override {}
    void WriteTextV(const char*, va_list) override {}
};

} // namespace

ScriptWriter::ScriptWriter(std::ostream& out, IDebugTextOut& console, OptionTest isOptionOn)
    : m_Out(out), m_Console(console), m_IsOptionOn(std::move(isOptionOn))
{
}

ScriptWriter::SectionMap ScriptWriter::MapVariations(const std::vector<ModelRecord>& records)
{
    SectionMap section;
    SectionFiller filler(section);
    std::string key;
    for (const ModelRecord& record : records) {
        record.WriteIndex(key);
        filler.Add(key, record.Variation());
    }
    return section;
}

ScriptWriter::SectionMap ScriptWriter::MapArmorVisualTypes(
    const std::vector<ModelRecord>& records, const LookupTables::ArmorVisualTypeIndexMap& armorVisualTypeIndex)
{
    SectionMap section;
    SectionFiller filler(section);
    std::string key;
    // Every prefix of the list that records match against has its row in the map, so at() only
    // fails for tables filled inconsistently.
    for (const ModelRecord& record : records) {
        record.WriteAVTIndex(key);
        filler.Add(key, armorVisualTypeIndex.at(*record.VisualEntry()));
    }
    return section;
}

void ScriptWriter::Write(const std::vector<ModelRecord>& weapons, const std::vector<ModelRecord>& armorVariations,
                         const std::vector<ModelRecord>& armorParts, std::uint32_t ignoredCount,
                         const LookupTables::ArmorVisualTypeIndexMap& armorVisualTypeIndex)
{
    for (const std::string_view line : script::kBannerBox) {
        Put(line);
        Put("\n");
    }
    Put(kPreamble);

    PutSectionBox(script::kModelPartsBox);
    PutOptionalLists(MapVariations(weapons), kOptionInvisibleModelParts);

    PutSectionBox(script::kVariationsBox);
    PutOptionalLists(MapVariations(armorVariations), kOptionInvisibleVariations);

    PutSectionBox(script::kArmorPartsBox);
    PutOptionalLists(MapVariations(armorParts), kOptionInvisibleArmorPieces);

    // Armor visual type lists are never commented and get no invisible value.
    PutSectionBox(script::kArmorVisualTypesBox);
    SectionMap armorVisualTypes = MapArmorVisualTypes(armorVariations, armorVisualTypeIndex);
    for (auto* entry : InKeyOrder(armorVisualTypes)) {
        auto& [key, numbers] = *entry;
        std::sort(numbers.begin(), numbers.end());
        PutListLine(false, key, numbers);
    }

    m_Console.WriteText("\n\nStatistics:");
    m_Console.WriteText("\nWeapon Models: %u", static_cast<unsigned>(weapons.size()));
    m_Console.WriteText("\nArmor Variations: %u", static_cast<unsigned>(armorVariations.size()));
    m_Console.WriteText("\nArmor Parts: %u", static_cast<unsigned>(armorParts.size()));
    m_Console.WriteText("\nIgnored Models: %u", static_cast<unsigned>(ignoredCount));

    Put(kClosing);
}

std::string ScriptWriter::FixedText()
{
    std::ostringstream text;
    SilentTextOut silent;
    ScriptWriter writer(text, silent, [](const std::string&) { return false; });
    writer.Write({}, {}, {}, 0, {});
    return std::move(text).str();
}

template <std::size_t N>
void ScriptWriter::PutSectionBox(const std::array<std::string_view, N>& box)
{
    Put(kSectionBreak);
    for (std::size_t i = 0; i < N; ++i) {
        if (i != 0)
            Put("\n");
        Put(box[i]);
    }
}

void ScriptWriter::PutOptionalLists(SectionMap&& section, const char* invisibleOption)
{
    for (auto* entry : InKeyOrder(section)) {
        auto& [key, numbers] = *entry;
        // The invisible value joins a list once: a model numbered 0 may already have put it there.
        if (m_IsOptionOn(invisibleOption) &&
            std::find(numbers.begin(), numbers.end(), kInvisibleValue) == numbers.end())
            numbers.push_back(kInvisibleValue);
        std::sort(numbers.begin(), numbers.end());
        // A list with a single value offers no choice; that is what the option comments out.
        const bool commented = m_IsOptionOn(kOptionIgnoreSingles) && numbers.size() == 1;
        PutListLine(commented, key, numbers);
    }
}

void ScriptWriter::PutListLine(bool commented, const std::string& key, const std::vector<std::uint32_t>& numbers)
{
    std::string& line = m_Line;
    // Cleared and appended, not assigned: g++ 12 at -O3 takes an assign inlined here for an
    // overlapping copy (-Wrestrict) and the package build stops.
    line.clear();
    line += commented ? std::string_view("\n//") : std::string_view("\n");
    line += kListLineStart;
    line += key;
    line += kListKeyEnd;
    for (const std::uint32_t number : numbers) {
        char digits[16];
        const auto written = std::to_chars(digits, digits + sizeof(digits), number);
        line.append(digits, written.ptr);
        line += '#';
    }
    line += kListLineEnd;
    Put(line);
}

void ScriptWriter::Put(std::string_view text)
{
    for (std::size_t newline = text.find('\n'); newline != std::string_view::npos; newline = text.find('\n')) {
        if (newline != 0)
            m_Out.write(text.data(), static_cast<std::streamsize>(newline));
        m_Out.write("\r\n", 2);
        text.remove_prefix(newline + 1);
    }
    if (!text.empty())
        m_Out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

} // namespace brindle
