// GFF V3.2 reader: header and table checks at construction, field lookups by positioned reads.
#include "formats/GffFileReader.h"

#include <cstring>
#include <stdexcept>

namespace brindle {

namespace {

constexpr const char* kGffOpenFailed = "Failed to open GFF file.";
constexpr const char* kGffBadVersion = "Unrecognized GFF version.";
constexpr const char* kGffStructAccounting = "Struct accounting is incorrect.";
constexpr const char* kGffFieldAccounting = "Field accounting is incorrect.";
constexpr const char* kGffLabelAccounting = "Label accounting is incorrect.";
constexpr const char* kGffFieldDataAccounting = "Field data accounting is incorrect.";
constexpr const char* kGffFieldIndicesAccounting = "Field indicies accounting is incorrect.";
constexpr const char* kGffFieldIndicesNotMultiple = "Field indicies array is not a multiple of FIELD_INDEX.";
constexpr const char* kGffListIndicesAccounting = "List indicies accounting is incorrect.";
constexpr const char* kGffIllegalStructIndex = "Illegal struct index.";
constexpr const char* kGffUnexpectedRootType = "Unexpected root structure type.";

const ReaderOpenOptions kGffOpenOptions{platform::ShareMode::ReadDelete, platform::ShareMode::Read,
                                        platform::AccessHint::RandomAccess, true, kGffOpenFailed};

// A table of count records of recordSize bytes at offset must end inside the file (64-bit sums).
bool TableFits(std::uint32_t offset, std::uint32_t count, std::uint64_t recordSize, std::uint64_t fileSize)
{
    return static_cast<std::uint64_t>(offset) + recordSize * count <= fileSize;
}

// A read of width bytes at start must lie inside a block of blockSize bytes.
bool ReadFits(std::uint64_t start, std::uint64_t width, std::uint32_t blockSize)
{
    return start + width <= blockSize;
}

// A request longer than a label is compared by its first 16 characters.
bool LabelIs(const GFF_LABEL_ENTRY& stored, const char* label)
{
    char wanted[sizeof(GFF_LABEL_ENTRY::Name)] = {};
    for (std::size_t i = 0; i < sizeof(wanted) && label[i] != '\0'; ++i)
        wanted[i] = label[i];
    return std::memcmp(wanted, stored.Name, sizeof(wanted)) == 0;
}

} // namespace

GffFileReader::GffFileReader(const std::string& path)
{
    m_File = OpenReaderFile(path, kGffOpenOptions, m_Wrapper, m_FileSize);
    ParseHeader();
}

GffFileReader::GffFileReader(std::span<const unsigned char> bytes)
{
    BindReaderBytes(bytes, kGffOpenOptions, m_Wrapper, m_FileSize);
    ParseHeader();
}

GffFileReader::~GffFileReader() = default;

void GffFileReader::ParseHeader()
{
    unsigned char bytes[sizeof(GFF_HEADER)];
    m_Wrapper.SeekOffset(0, "GFFHeader");
    m_Wrapper.ReadFile(bytes, sizeof(bytes), "&m_Header");
    m_Header = DecodeGffHeader(bytes);

    if (std::memcmp(m_Header.Version, "V3.2", 4) != 0)
        throw std::runtime_error(kGffBadVersion);

    const std::uint64_t size = m_Wrapper.GetSize();
    if (!TableFits(m_Header.StructOffset, m_Header.StructCount, sizeof(GFF_STRUCT_ENTRY), size))
        throw std::runtime_error(kGffStructAccounting);
    if (!TableFits(m_Header.FieldOffset, m_Header.FieldCount, sizeof(GFF_FIELD_ENTRY), size))
        throw std::runtime_error(kGffFieldAccounting);
    if (!TableFits(m_Header.LabelOffset, m_Header.LabelCount, sizeof(GFF_LABEL_ENTRY), size))
        throw std::runtime_error(kGffLabelAccounting);
    if (!TableFits(m_Header.FieldDataOffset, m_Header.FieldDataCount, 1, size))
        throw std::runtime_error(kGffFieldDataAccounting);
    if (!TableFits(m_Header.FieldIndiciesOffset, m_Header.FieldIndiciesCount, 1, size))
        throw std::runtime_error(kGffFieldIndicesAccounting);
    if (m_Header.FieldIndiciesCount % sizeof(FIELD_INDEX) != 0)
        throw std::runtime_error(kGffFieldIndicesNotMultiple);
    if (!TableFits(m_Header.ListIndiciesOffset, m_Header.ListIndiciesCount, 1, size))
        throw std::runtime_error(kGffListIndicesAccounting);

    GFF_STRUCT_ENTRY root;
    ReadStructEntry(0, root);
    if (root.Type != GffRootStructType)
        throw std::runtime_error(kGffUnexpectedRootType);
    m_Root = GffStruct(this, root);
}

bool GffFileReader::ReadAt(std::uint64_t position, void* buffer, std::uint32_t count)
{
    return m_Wrapper.TrySeek(position) && m_Wrapper.TryRead(buffer, count);
}

bool GffFileReader::ReadRecord(std::uint32_t index, std::uint32_t count, std::uint32_t tableOffset, void* record,
                               std::uint32_t recordSize)
{
    return index < count && ReadAt(static_cast<std::uint64_t>(index) * recordSize + tableOffset, record, recordSize);
}

void GffFileReader::ReadStructEntry(std::uint32_t index, GFF_STRUCT_ENTRY& entry)
{
    if (index >= m_Header.StructCount)
        throw std::runtime_error(kGffIllegalStructIndex);
    unsigned char bytes[sizeof(GFF_STRUCT_ENTRY)];
    m_Wrapper.SeekOffset(static_cast<std::uint64_t>(index) * sizeof(bytes) + m_Header.StructOffset,
                         "(ULONGLONG) StructIndex * sizeof( GFF_STRUCT_ENTRY ) + m_Header.StructOffset");
    m_Wrapper.ReadFile(bytes, sizeof(bytes), "&StructEntry");
    entry = DecodeGffStructEntry(bytes);
}

bool GffFileReader::ReadFieldEntry(std::uint32_t index, GFF_FIELD_ENTRY& entry)
{
    unsigned char bytes[sizeof(GFF_FIELD_ENTRY)];
    if (!ReadRecord(index, m_Header.FieldCount, m_Header.FieldOffset, bytes, sizeof(bytes)))
        return false;
    entry = DecodeGffFieldEntry(bytes);
    return true;
}

bool GffFileReader::ReadStructFieldIndex(const GFF_STRUCT_ENTRY& gffStruct, std::uint32_t position,
                                         std::uint32_t& index)
{
    // The whole 4-byte index must lie inside the field-indices block, not only its first byte.
    const std::uint64_t offset =
        static_cast<std::uint64_t>(position) * sizeof(FIELD_INDEX) + gffStruct.DataOrDataOffset;
    unsigned char bytes[sizeof(FIELD_INDEX)];
    if (!ReadFits(offset, sizeof(FIELD_INDEX), m_Header.FieldIndiciesCount) ||
        !ReadAt(offset + m_Header.FieldIndiciesOffset, bytes, sizeof(bytes)))
        return false;
    index = LoadU32LE(bytes);
    return true;
}

bool GffFileReader::ReadLabel(const GFF_FIELD_ENTRY& field, GFF_LABEL_ENTRY& label)
{
    return ReadRecord(field.LabelIndex, m_Header.LabelCount, m_Header.LabelOffset, label.Name, sizeof(label.Name));
}

bool GffFileReader::FindField(const GffStruct& gffStruct, const char* label, GFF_FIELD_ENTRY& entry)
{
    const GFF_STRUCT_ENTRY& s = gffStruct.GetEntry();
    GFF_LABEL_ENTRY stored;
    if (s.FieldCount == 1)
        return ReadFieldEntry(s.DataOrDataOffset, entry) && ReadLabel(entry, stored) && LabelIs(stored, label);
    for (std::uint32_t k = 0; k < s.FieldCount; ++k) {
        // A part of the structure that cannot be read ends the search: the field is not there.
        std::uint32_t index = 0;
        if (!ReadStructFieldIndex(s, k, index) || !ReadFieldEntry(index, entry) || !ReadLabel(entry, stored))
            return false;
        if (LabelIs(stored, label))
            return true;
    }
    return false;
}

bool GffFileReader::ReadStringField(const GffStruct& gffStruct, const char* label, std::string& value)
{
    return ReadSizedField(gffStruct, label, GffTypeCExoString, value);
}

bool GffFileReader::ReadVoidField(const GffStruct& gffStruct, const char* label, std::string& value)
{
    return ReadSizedField(gffStruct, label, GffTypeVoid, value);
}

bool GffFileReader::ReadSizedField(const GffStruct& gffStruct, const char* label, std::uint32_t type,
                                   std::string& value)
{
    GFF_FIELD_ENTRY field;
    if (!FindField(gffStruct, label, field) || field.Type != type)
        return false;
    unsigned char lengthBytes[4];
    if (!ReadFieldData(field.DataOrDataOffset, lengthBytes, sizeof(lengthBytes)))
        return false;
    const std::uint32_t length = LoadU32LE(lengthBytes);
    const std::uint64_t start = static_cast<std::uint64_t>(field.DataOrDataOffset) + 4;
    if (start + length > 0xFFFFFFFFu || start + length > m_Header.FieldDataCount)
        return false;
    value.assign(length, '\0');
    if (length == 0)
        return true;
    return ReadFieldData(static_cast<std::uint32_t>(start), value.data(), length);
}

bool GffFileReader::ReadFieldData(std::uint32_t offset, void* buffer, std::uint32_t count)
{
    if (!ReadFits(offset, count, m_Header.FieldDataCount) ||
        !m_Wrapper.TrySeek(static_cast<std::uint64_t>(m_Header.FieldDataOffset) + offset))
        return false;
    return count == 0 || m_Wrapper.TryRead(buffer, count);
}

bool GffFileReader::ReadListIndex(std::uint32_t offset, std::uint32_t& value)
{
    unsigned char bytes[4];
    if (!ReadFits(offset, sizeof(std::uint32_t), m_Header.ListIndiciesCount) ||
        !ReadAt(static_cast<std::uint64_t>(m_Header.ListIndiciesOffset) + offset, bytes, sizeof(bytes)))
        return false;
    value = LoadU32LE(bytes);
    return true;
}

} // namespace brindle
