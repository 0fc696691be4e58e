// One classified model: the race, gender, armor visual type or piece, item class, weapon model part
// and variation read from its resource name, and the list keys derived from them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace brindle {

class LookupTables;

inline constexpr const char* kModelParseFailed = "Could not parse model.";
/// Why a model that was read is left out all the same: its list keys would hold a character that
/// cannot stand in a script's string (a double quote, a backslash or a control byte). Escapes are
/// not a way out, as not every script compiler reads them alike.
inline constexpr const char* kNameNotScriptable = "name cannot be written in a script";

/// The report's words for two failures whose own texts come from the library: a variation that is
/// not a number, and a name that ends before its last field.
inline constexpr const char* kVariationNotANumber = "Could not gather variation from model (not a number).";
inline constexpr const char* kModelNameEndsEarly = "Could not parse model (the name ends too early).";

/// The highest variation number a model name may carry.
inline constexpr std::uint32_t kMaxModelVariation = 256;

/// A model name read by one of three grammars chosen by its prefix: "P" armor and clothing
/// variations (P_HHM_CL_BODY01), "A" armor parts (A_HHM_LSHOULDER02) and "W" weapons
/// (W_LSWORD03_B). Construction throws a standard exception when the name does not fit; the
/// message says which field failed. Points into the LookupTables it was built from, which must
/// outlive it and stay unchanged.
class ModelRecord {
public:
    ModelRecord(const LookupTables& tables, std::string name);

    /// Reads name as construction does, but returns the text of a failure instead of raising it
    /// (nullptr and the record when the name was read); a name that ends before its last field
    /// gives kModelNameEndsEarly, where construction raises std::out_of_range. Spares the run an
    /// exception per ignored model.
    static const char* TryRead(const LookupTables& tables, std::string_view name, std::optional<ModelRecord>& record);

    /// True when name opens with the prefix of one of the three grammars ("P_", "A_", "W_" in any
    /// case). Construction fails with kModelParseFailed exactly when this is false, so a
    /// caller can pass over other models (creatures, placeables, tiles) without an exception.
    static bool HasGrammar(std::string_view name);

    /// False when name holds a double quote, a backslash or a byte below 0x20. Every list key is
    /// made of parts of the name and fixed texts, so a name that passes gives keys that do too.
    static bool IsWritableInScript(std::string_view name);

    /// failure as the report shows it: the number conversion's own text is kVariationNotANumber;
    /// every other text is the tool's own and stays.
    static const char* ReasonForReport(const char* failure);

    ModelRecord(const ModelRecord&) = delete;
    ModelRecord& operator=(const ModelRecord&) = delete;
    ModelRecord(ModelRecord&&) noexcept = default;
    ModelRecord& operator=(ModelRecord&&) noexcept = default;

    bool IsWeapon() const { return m_Prefix == 'W'; }
    bool IsArmorVariation() const { return m_Prefix == 'P'; }
    bool IsArmorPart() const { return m_Prefix == 'A'; }

    /// The key of the record's script list: VK_P_HHM_CL_BODY, VK_A_HHM_ACLtShoulder, VK_W_LSWORD_B.
    std::string ToIndex() const;
    /// The key of the armor-visual-type list of a "P" record: VK_AVT_P_HHM_BODY.
    std::string ToAVTIndex() const;
    /// ToIndex and ToAVTIndex written over out, whose room is kept from call to call.
    void WriteIndex(std::string& out) const;
    void WriteAVTIndex(std::string& out) const;

    const std::string& Name() const { return m_Name; }
    /// "P", "A" or "W": a record is only built for names whose text before the first "_" is one
    /// of these.
    std::string_view Prefix() const { return {&m_Prefix, 1}; }
    std::uint32_t Variation() const { return m_Variation; }
    /// Matched entries; nullptr where the record's grammar has no such field.
    const std::string* Race() const { return m_Race; }
    const std::string* Gender() const { return m_Gender; }
    const std::string* ItemClass() const { return m_ItemClass; }
    /// P: the armor visual type prefix; A: the armor-part name (ACLtShoulder). Empty for W.
    std::string Visual() const { return m_Visual ? *m_Visual : std::string(); }
    /// The matched entry behind Visual(); nullptr for W.
    const std::string* VisualEntry() const { return m_Visual; }
    /// W: the one-character weapon model part ("A" when the name has none); empty otherwise.
    std::string_view ModelPart() const
    {
        return m_ModelPart == '\0' ? std::string_view() : std::string_view(&m_ModelPart, 1);
    }

private:
    struct Unread {};
    ModelRecord(const LookupTables& tables, std::string name, Unread) : m_Tables(&tables), m_Name(std::move(name)) {}

    // Each returns the text of the failure, nullptr when the name was read.
    const char* Read();
    const char* ReadArmorVariation(std::string_view name);
    const char* ReadArmorPart(std::string_view name);
    const char* ReadWeapon(std::string_view name);
    const char* ReadRace(std::string_view name, std::size_t& position);
    const char* ReadGender(std::string_view name, std::size_t& position);

    const LookupTables* m_Tables;
    std::string m_Name;
    char m_Prefix = '\0';
    std::uint32_t m_Variation = 0;
    const std::string* m_Race = nullptr;
    const std::string* m_Gender = nullptr;
    const std::string* m_Visual = nullptr;
    const std::string* m_ItemClass = nullptr;
    char m_ModelPart = '\0';
};

/// Converts a variation text to its number: decimal digits only (leading zeros allowed, a leading
/// "+" tolerated, a "-" refused), at most kMaxModelVariation. Raises boost::bad_lexical_cast for
/// text that is no number and "Could not gather variation from model." for a number above the highest.
std::uint32_t ParseModelVariation(const std::string& text);

} // namespace brindle
