// Constants script generation.
#include "app/ScriptWriter.h"

#include "app/IDebugTextOut.h"
#include "app/ModelRecord.h"
#include "app/ScriptBoxes.h"
#include "app/ScriptLists.h"
#include "app/SectionLists.h"
#include "app/Settings.h"

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

void ScriptWriter::Write(std::span<const ModelRecord> weapons, std::span<const ModelRecord> armorVariations,
                         std::span<const ModelRecord> armorParts, std::uint32_t ignoredCount,
                         const LookupTables::ArmorVisualTypeIndexMap& armorVisualTypeIndex)
{
    for (const std::string_view line : script::kBannerBox) {
        Put(line);
        Put("\n");
    }
    Put(kPreamble);

    PutSectionBox(script::kModelPartsBox);
    PutOptionalLists(weapons, kOptionInvisibleModelParts);

    PutSectionBox(script::kVariationsBox);
    PutOptionalLists(armorVariations, kOptionInvisibleVariations);

    PutSectionBox(script::kArmorPartsBox);
    PutOptionalLists(armorParts, kOptionInvisibleArmorPieces);

    // Armor visual type lists hold the rows of the records' armor visual types; they are never
    // commented and get no invisible value.
    PutSectionBox(script::kArmorVisualTypesBox);
    SectionLists armorVisualTypes;
    const std::string* lastVisual = nullptr;
    std::uint32_t lastRow = 0;
    for (const ModelRecord& record : armorVariations) {
        // Every prefix of the list that records match against has its row in the map, so at() only
        // fails for tables filled inconsistently.
        if (record.VisualEntry() != lastVisual || lastVisual == nullptr) {
            lastVisual = record.VisualEntry();
            lastRow = armorVisualTypeIndex.at(*lastVisual);
        }
        armorVisualTypes.Add(ArmorVisualTypeIdentity(record), lastRow,
                             [&record](std::string& key) { record.WriteAVTIndex(key); });
    }
    armorVisualTypes.ForEachInKeyOrder(
        [this](std::string_view key, std::vector<std::uint32_t>& numbers) { PutListLine(false, key, numbers); });

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

void ScriptWriter::PutOptionalLists(std::span<const ModelRecord> records, const char* invisibleOption)
{
    SectionLists section;
    for (const ModelRecord& record : records)
        section.Add(IndexIdentity(record), record.Variation(), [&record](std::string& key) { record.WriteIndex(key); });
    // The settings do not change during a run: both options are asked once per section with lists.
    if (section.IdentityCount() == 0)
        return;
    const bool addInvisible = m_IsOptionOn(invisibleOption);
    const bool ignoreSingles = m_IsOptionOn(kOptionIgnoreSingles);
    section.ForEachInKeyOrder([&](std::string_view key, std::vector<std::uint32_t>& numbers) {
        // The invisible value joins a list once: a model numbered 0 may already have put it there.
        if (addInvisible && numbers.front() != kInvisibleValue)
            numbers.insert(numbers.begin(), kInvisibleValue);
        // A list with a single value offers no choice; that is what the option comments out.
        const bool commented = ignoreSingles && numbers.size() == 1;
        PutListLine(commented, key, numbers);
    });
}

void ScriptWriter::PutListLine(bool commented, std::string_view key, const std::vector<std::uint32_t>& numbers)
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
