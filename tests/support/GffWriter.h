// Builds GFF V3.2 files in memory: structures with CExoString, List and a few simple fields, enough
// for module information files and damaged variants of them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brindle::test {

class GffWriter {
public:
    /// Starts a file of the given four-character type with the root structure (index 0).
    explicit GffWriter(std::string_view fileType = "GFF ");

    /// Adds a structure and returns its index.
    std::uint32_t AddStruct(std::uint32_t type);
    /// A CExoString (type 10) field.
    void AddExoString(std::uint32_t structIndex, std::string_view label, std::string_view text);
    /// A List (type 15) field whose elements are the given structures.
    void AddList(std::uint32_t structIndex, std::string_view label, const std::vector<std::uint32_t>& elements);
    /// A DWORD (type 4) field; its value lives in the field entry itself.
    void AddDword(std::uint32_t structIndex, std::string_view label, std::uint32_t value);
    /// A CResRef (type 11) field: one length byte and the name in the field-data block.
    void AddResRef(std::uint32_t structIndex, std::string_view label, std::string_view name);

    /// A VOID (type 13) field: a 32-bit length and the bytes in the field-data block.
    void AddVoid(std::uint32_t structIndex, std::string_view label, std::string_view bytes);

    /// The whole file: header, structures, fields, labels, field data, field indices, list indices.
    std::string Build() const;

private:
    struct Field {
        std::uint32_t type;
        std::uint32_t labelIndex;
        std::uint32_t value;                ///< the simple value
        std::string data;                   ///< bytes in the field-data block
        std::vector<std::uint32_t> list;    ///< list elements
        bool isList;
    };
    struct Struct {
        std::uint32_t type;
        std::vector<std::uint32_t> fields;
    };

    void AddField(std::uint32_t structIndex, std::string_view label, Field field);
    std::uint32_t LabelIndex(std::string_view label);

    std::string m_FileType;
    std::vector<Struct> m_Structs;
    std::vector<Field> m_Fields;
    std::vector<std::string> m_Labels;
};

/// A module information file: Mod_HakList with one structure per hak holding Mod_Hak, and
/// Mod_CustomTlk when customTlk is not empty.
std::string BuildModuleIfo(const std::vector<std::string>& haks, const std::string& customTlk);
/// The same with a Campaign_ID (a VOID field holding the campaign's 16-byte GUID), laid out as the
/// toolset saves it: after the HAK list and the talk table.
std::string BuildCampaignModuleIfo(const std::vector<std::string>& haks, std::string_view campaignId);
/// A campaign.cam file whose GUID field holds guid, beside a display name.
std::string BuildCampaignFile(std::string_view guid, std::string_view displayName);

} // namespace brindle::test
