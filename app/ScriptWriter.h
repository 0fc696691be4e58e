// Writes the constants script: the banner, the script preamble, four sections of list assignments,
// and the statistics on the console.
#pragma once

#include "app/LookupTables.h"

#include <array>
#include <cstdint>
#include <functional>
#include <ostream>
#include <span>
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
    ScriptWriter(std::ostream& out, IDebugTextOut& console, OptionTest isOptionOn);

    /// Writes the whole script from the three record lists of the model walk, then prints the
    /// statistics and writes the closing text. Options are asked once per list line written.
    void Write(std::span<const ModelRecord> weapons, std::span<const ModelRecord> armorVariations,
               std::span<const ModelRecord> armorParts, std::uint32_t ignoredCount,
               const LookupTables::ArmorVisualTypeIndexMap& armorVisualTypeIndex);

    /// The text of a script without a single list: what every script holds around its lists.
    static std::string FixedText();

private:
    template <std::size_t N>
    void PutSectionBox(const std::array<std::string_view, N>& box);
    /// Writes the list lines of records keyed by ToIndex, each list with the records' variations.
    void PutOptionalLists(std::span<const ModelRecord> records, const char* invisibleOption);
    void PutListLine(bool commented, std::string_view key, const std::vector<std::uint32_t>& numbers);
    /// Writes text with each "\n" as CR LF.
    void Put(std::string_view text);

    std::ostream& m_Out;
    IDebugTextOut& m_Console;
    OptionTest m_IsOptionOn;
    std::string m_Line; ///< the list line being composed; its room is kept from line to line
};

} // namespace brindle
