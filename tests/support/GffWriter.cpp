// In-memory GFF V3.2 builder for tests, tools and benchmarks.
#include "tests/support/GffWriter.h"

#include "tests/support/ByteBuilder.h"

#include <stdexcept>

namespace brindle::test {

namespace {

constexpr std::uint32_t kTypeDword = 4;
constexpr std::uint32_t kTypeResRef = 11;
constexpr std::uint32_t kTypeExoString = 10;
constexpr std::uint32_t kTypeVoid = 13;
constexpr std::uint32_t kTypeList = 15;
constexpr std::uint32_t kHeaderSize = 56;

std::uint32_t Size32(std::size_t size)
{
    return static_cast<std::uint32_t>(size);
}

} // namespace

GffWriter::GffWriter(std::string_view fileType) : m_FileType(fileType)
{
    m_Structs.push_back({0xFFFFFFFF, {}});
}

std::uint32_t GffWriter::AddStruct(std::uint32_t type)
{
    m_Structs.push_back({type, {}});
    return Size32(m_Structs.size() - 1);
}

std::uint32_t GffWriter::LabelIndex(std::string_view label)
{
    for (std::size_t i = 0; i < m_Labels.size(); ++i)
        if (m_Labels[i] == label)
            return Size32(i);
    m_Labels.emplace_back(label);
    return Size32(m_Labels.size() - 1);
}

void GffWriter::AddField(std::uint32_t structIndex, std::string_view label, Field field)
{
    if (structIndex >= m_Structs.size())
        throw std::logic_error("GffWriter: no such structure");
    field.labelIndex = LabelIndex(label);
    m_Structs[structIndex].fields.push_back(Size32(m_Fields.size()));
    m_Fields.push_back(std::move(field));
}

void GffWriter::AddExoString(std::uint32_t structIndex, std::string_view label, std::string_view text)
{
    const std::string data = ByteBuilder().U32(Size32(text.size())).Text(text).Str();
    AddField(structIndex, label, {kTypeExoString, 0, 0, data, {}, false});
}

void GffWriter::AddList(std::uint32_t structIndex, std::string_view label, const std::vector<std::uint32_t>& elements)
{
    AddField(structIndex, label, {kTypeList, 0, 0, {}, elements, true});
}

void GffWriter::AddDword(std::uint32_t structIndex, std::string_view label, std::uint32_t value)
{
    AddField(structIndex, label, {kTypeDword, 0, value, {}, {}, false});
}

void GffWriter::AddResRef(std::uint32_t structIndex, std::string_view label, std::string_view name)
{
    const std::string data = ByteBuilder().U8(static_cast<std::uint8_t>(name.size())).Text(name).Str();
    AddField(structIndex, label, {kTypeResRef, 0, 0, data, {}, false});
}

void GffWriter::AddVoid(std::uint32_t structIndex, std::string_view label, std::string_view bytes)
{
    const std::string data = ByteBuilder().U32(Size32(bytes.size())).Text(bytes).Str();
    AddField(structIndex, label, {kTypeVoid, 0, 0, data, {}, false});
}

std::string GffWriter::Build() const
{
    // Lay out the three variable blocks first; the tables refer into them.
    ByteBuilder fieldData, fieldIndices, listIndices;
    std::vector<std::uint32_t> fieldValues;
    for (const Field& field : m_Fields) {
        if (field.isList) {
            fieldValues.push_back(Size32(listIndices.Size()));
            listIndices.U32(Size32(field.list.size()));
            for (std::uint32_t element : field.list)
                listIndices.U32(element);
        } else if (!field.data.empty()) {
            fieldValues.push_back(Size32(fieldData.Size()));
            fieldData.Bytes(field.data);
        } else {
            fieldValues.push_back(field.value);
        }
    }
    ByteBuilder structs;
    for (const Struct& s : m_Structs) {
        std::uint32_t data = 0;
        if (s.fields.size() == 1) {
            data = s.fields[0];
        } else {
            data = Size32(fieldIndices.Size());
            for (std::uint32_t index : s.fields)
                fieldIndices.U32(index);
        }
        structs.U32(s.type).U32(data).U32(Size32(s.fields.size()));
    }
    ByteBuilder fields;
    for (std::size_t i = 0; i < m_Fields.size(); ++i)
        fields.U32(m_Fields[i].type).U32(m_Fields[i].labelIndex).U32(fieldValues[i]);
    ByteBuilder labels;
    for (const std::string& label : m_Labels)
        labels.Fixed(label, 16);

    const std::uint32_t structOffset = kHeaderSize;
    const std::uint32_t fieldOffset = structOffset + Size32(structs.Size());
    const std::uint32_t labelOffset = fieldOffset + Size32(fields.Size());
    const std::uint32_t fieldDataOffset = labelOffset + Size32(labels.Size());
    const std::uint32_t fieldIndicesOffset = fieldDataOffset + Size32(fieldData.Size());
    const std::uint32_t listIndicesOffset = fieldIndicesOffset + Size32(fieldIndices.Size());
    ByteBuilder out;
    out.Fixed(m_FileType, 4).Text("V3.2");
    out.U32(structOffset).U32(Size32(m_Structs.size()));
    out.U32(fieldOffset).U32(Size32(m_Fields.size()));
    out.U32(labelOffset).U32(Size32(m_Labels.size()));
    out.U32(fieldDataOffset).U32(Size32(fieldData.Size()));
    out.U32(fieldIndicesOffset).U32(Size32(fieldIndices.Size()));
    out.U32(listIndicesOffset).U32(Size32(listIndices.Size()));
    out.Bytes(structs.Str()).Bytes(fields.Str()).Bytes(labels.Str());
    out.Bytes(fieldData.Str()).Bytes(fieldIndices.Str()).Bytes(listIndices.Str());
    return out.Str();
}

namespace {

/// Mod_HakList with one structure per hak holding Mod_Hak.
void AddHakList(GffWriter& writer, const std::vector<std::string>& haks)
{
    constexpr std::uint32_t kHakStructType = 8;
    std::vector<std::uint32_t> elements;
    for (const std::string& hak : haks) {
        const std::uint32_t element = writer.AddStruct(kHakStructType);
        writer.AddExoString(element, "Mod_Hak", hak);
        elements.push_back(element);
    }
    writer.AddList(0, "Mod_HakList", elements);
}

} // namespace

std::string BuildModuleIfo(const std::vector<std::string>& haks, const std::string& customTlk)
{
    GffWriter writer("IFO ");
    writer.AddExoString(0, "Mod_Name", "Test module");
    if (!customTlk.empty())
        writer.AddExoString(0, "Mod_CustomTlk", customTlk);
    AddHakList(writer, haks);
    return writer.Build();
}

std::string BuildCampaignModuleIfo(const std::vector<std::string>& haks, std::string_view campaignId)
{
    GffWriter writer("IFO ");
    writer.AddExoString(0, "Mod_CustomTlk", "");
    writer.AddList(0, "Mod_Expan_List", {});
    writer.AddVoid(0, "Campaign_ID", campaignId);
    writer.AddExoString(0, "Mod_Tag", "campaign_module");
    AddHakList(writer, haks);
    // The module's own GUID is a VOID field of the same size: it must not be taken for the campaign's.
    writer.AddVoid(0, "Mod_ID", std::string(16, '\x5A'));
    return writer.Build();
}

std::string BuildCampaignFile(std::string_view guid, std::string_view displayName)
{
    GffWriter writer("CAM ");
    writer.AddList(0, "ModNames", {});
    writer.AddVoid(0, "GUID", guid);
    writer.AddExoString(0, "GameStateVarName", displayName);
    writer.AddExoString(0, "StartModule", "");
    return writer.Build();
}

} // namespace brindle::test
