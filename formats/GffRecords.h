// On-disk records of GFF V3.2 files and their decoding from raw little-endian bytes.
#pragma once

#include "formats/LittleEndian.h"

#include <cstdint>
#include <cstring>

namespace brindle {

/// The 56-byte header at the start of every GFF file.
struct GFF_HEADER {
    char FileType[4];                  ///< any four characters ("IFO ", "ARE ", ...)
    char Version[4];                   ///< "V3.2"
    std::uint32_t StructOffset;        ///< file offset of the structure table
    std::uint32_t StructCount;         ///< number of GFF_STRUCT_ENTRY records
    std::uint32_t FieldOffset;         ///< file offset of the field table
    std::uint32_t FieldCount;          ///< number of GFF_FIELD_ENTRY records
    std::uint32_t LabelOffset;         ///< file offset of the label table
    std::uint32_t LabelCount;          ///< number of GFF_LABEL_ENTRY records
    std::uint32_t FieldDataOffset;     ///< file offset of the field-data block
    std::uint32_t FieldDataCount;      ///< size of the field-data block in bytes
    std::uint32_t FieldIndiciesOffset; ///< file offset of the field-indices block
    std::uint32_t FieldIndiciesCount;  ///< size of the field-indices block in bytes
    std::uint32_t ListIndiciesOffset;  ///< file offset of the list-indices block
    std::uint32_t ListIndiciesCount;   ///< size of the list-indices block in bytes
};
static_assert(sizeof(GFF_HEADER) == 56);

/// One structure: with a field count of 1, DataOrDataOffset is the index of its only field;
/// otherwise it is a byte offset into the field-indices block.
struct GFF_STRUCT_ENTRY {
    std::uint32_t Type;
    std::uint32_t DataOrDataOffset;
    std::uint32_t FieldCount;
};
static_assert(sizeof(GFF_STRUCT_ENTRY) == 12);

/// One field. For CExoString (10) DataOrDataOffset is a byte offset into the field-data block, for
/// List (15) a byte offset into the list-indices block.
struct GFF_FIELD_ENTRY {
    std::uint32_t Type;
    std::uint32_t LabelIndex;
    std::uint32_t DataOrDataOffset;
};
static_assert(sizeof(GFF_FIELD_ENTRY) == 12);

/// A label: zero-filled after a shorter label, no terminator when all 16 characters are used.
struct GFF_LABEL_ENTRY {
    char Name[16];
};
static_assert(sizeof(GFF_LABEL_ENTRY) == 16);

/// An index into the field table, as stored in the field-indices block.
struct FIELD_INDEX {
    std::uint32_t FieldIndex;
};
static_assert(sizeof(FIELD_INDEX) == 4);

inline constexpr std::uint32_t GffTypeCExoString = 10;
inline constexpr std::uint32_t GffTypeVoid = 13;
inline constexpr std::uint32_t GffTypeList = 15;
inline constexpr std::uint32_t GffRootStructType = 0xFFFFFFFF;

inline GFF_HEADER DecodeGffHeader(const unsigned char (&bytes)[sizeof(GFF_HEADER)])
{
    GFF_HEADER header;
    std::memcpy(header.FileType, bytes, 4);
    std::memcpy(header.Version, bytes + 4, 4);
    std::uint32_t* const fields[] = {
        &header.StructOffset,        &header.StructCount,        &header.FieldOffset,
        &header.FieldCount,          &header.LabelOffset,        &header.LabelCount,
        &header.FieldDataOffset,     &header.FieldDataCount,     &header.FieldIndiciesOffset,
        &header.FieldIndiciesCount,  &header.ListIndiciesOffset, &header.ListIndiciesCount,
    };
    for (std::size_t i = 0; i < 12; ++i)
        *fields[i] = LoadU32LE(bytes + 8 + 4 * i);
    return header;
}

inline GFF_STRUCT_ENTRY DecodeGffStructEntry(const unsigned char (&bytes)[sizeof(GFF_STRUCT_ENTRY)])
{
    return {LoadU32LE(bytes), LoadU32LE(bytes + 4), LoadU32LE(bytes + 8)};
}

inline GFF_FIELD_ENTRY DecodeGffFieldEntry(const unsigned char (&bytes)[sizeof(GFF_FIELD_ENTRY)])
{
    return {LoadU32LE(bytes), LoadU32LE(bytes + 4), LoadU32LE(bytes + 8)};
}

} // namespace brindle
