// Writes the constants script: the banner, the script preamble, four sections of list assignments,
// and the statistics on the console.
#pragma once

#include "app/LookupTables.h"

#include <array>
#include <cstdint>
#include <functional>
#include <unordered_map>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace brindle {

class IDebugTextOut;
class ModelRecord;

/// Answers whether an option is on (its text is exactly "1"); an absent option is off.
using OptionTest = std::function<bool(const std::string& name)>;

/// One pass over an open binary stream. Every line end of the script is written as CR LF, so the
/// file is the same on every platform; console lines keep their plain "\n".
class ScriptWriter {
public:
    /// Key -> the numbers met for it, each once, in the order first met. Hashed while it is
    /// filled; its lines are written in ascending key order.
    using SectionMap = std::unordered_map<std::string, std::vector<std::uint32_t>>;

    ScriptWriter(std::ostream& out, IDebugTextOut& console, OptionTest isOptionOn);

    /// Writes the whole script from the three record lists of the model walk, then prints the
    /// statistics and writes the closing text. Options are asked once per list line written.
    void Write(const std::vector<ModelRecord>& weapons, const std::vector<ModelRecord>& armorVariations,
               const std::vector<ModelRecord>& armorParts, std::uint32_t ignoredCount,
               const LookupTables::ArmorVisualTypeIndexMap& armorVisualTypeIndex);

    /// Section maps keyed by ToIndex with the record's variation, and by ToAVTIndex with the row of
    /// the record's armor visual type.
    static SectionMap MapVariations(const std::vector<ModelRecord>& records);
    static SectionMap MapArmorVisualTypes(const std::vector<ModelRecord>& records,
                                          const LookupTables::ArmorVisualTypeIndexMap& armorVisualTypeIndex);

    /// The text of a script without a single list: what every script holds around its lists.
    static std::string FixedText();

private:
    template <std::size_t N>
    void PutSectionBox(const std::array<std::string_view, N>& box);
    /// Writes the section's list lines; the lists are sorted in place.
    void PutOptionalLists(SectionMap&& section, const char* invisibleOption);
    void PutListLine(bool commented, const std::string& key, const std::vector<std::uint32_t>& numbers);
    /// Writes text with each "\n" as CR LF.
    void Put(std::string_view text);

    std::ostream& m_Out;
    IDebugTextOut& m_Console;
    OptionTest m_IsOptionOn;
    std::string m_Line; ///< the list line being composed; its room is kept from line to line
};

} // namespace brindle
