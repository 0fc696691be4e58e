// Reader of GFF V3.2 files: checks that every table of the header lies inside the file, then answers
// field lookups with small positioned reads from a mapped view of it, or from its bytes in memory.
#pragma once

#include "formats/FileWrapper.h"
#include "formats/GffRecords.h"

#include <cstdint>
#include <span>
#include <string>

namespace brindle {

class GffFileReader;

/// One structure of one open GFF file; valid while its reader lives.
class GffStruct {
public:
    GffStruct() = default;
    GffStruct(GffFileReader* reader, const GFF_STRUCT_ENTRY& entry) : m_Reader(reader), m_Entry(entry) {}

    GffFileReader* GetReader() const { return m_Reader; }
    const GFF_STRUCT_ENTRY& GetEntry() const { return m_Entry; }

private:
    GffFileReader* m_Reader = nullptr;
    GFF_STRUCT_ENTRY m_Entry{};
};

class GffFileReader {
public:
    /// Opens and checks the file; throws PlainException (open, size) or std::runtime_error (format).
    explicit GffFileReader(const std::string& path);
    /// Checks the file held in bytes, read as the path constructor reads a file of those bytes, with
    /// the same failures (less those of opening). The bytes are borrowed, not copied: they must
    /// outlive the reader and every lookup through it.
    explicit GffFileReader(std::span<const unsigned char> bytes);
    virtual ~GffFileReader();
    GffFileReader(const GffFileReader&) = delete;
    GffFileReader& operator=(const GffFileReader&) = delete;

    /// The top-level structure (structure 0).
    GffStruct GetRootStruct() const { return m_Root; }

    /// True when the structure has a field with that label (exact, case-sensitive, first 16
    /// characters); entry is then the field's. Never throws.
    bool FindField(const GffStruct& gffStruct, const char* label, GFF_FIELD_ENTRY& entry);
    /// True when the field exists, is a CExoString and its whole text lies inside the field-data
    /// block. value is untouched when the field or its length cannot be read. Never throws.
    bool ReadStringField(const GffStruct& gffStruct, const char* label, std::string& value);
    /// The same for a VOID field (raw bytes behind a 32-bit length), such as a GUID.
    bool ReadVoidField(const GffStruct& gffStruct, const char* label, std::string& value);
    /// Reads count bytes at a byte offset in the field-data block. Never throws.
    bool ReadFieldData(std::uint32_t offset, void* buffer, std::uint32_t count);
    /// Reads the 32-bit value at a byte offset in the list-indices block. Never throws.
    bool ReadListIndex(std::uint32_t offset, std::uint32_t& value);
    /// Reads structure entry index; throws "Illegal struct index." or a read error.
    void ReadStructEntry(std::uint32_t index, GFF_STRUCT_ENTRY& entry);

    const GFF_HEADER& GetHeader() const { return m_Header; }

private:
    void ParseHeader();
    /// A field of the given type whose data is a 32-bit length and that many bytes.
    bool ReadSizedField(const GffStruct& gffStruct, const char* label, std::uint32_t type, std::string& value);
    // The lookups' reads: false when the item lies outside its table or cannot be read.
    bool ReadFieldEntry(std::uint32_t index, GFF_FIELD_ENTRY& entry);
    bool ReadLabel(const GFF_FIELD_ENTRY& field, GFF_LABEL_ENTRY& label);
    bool ReadStructFieldIndex(const GFF_STRUCT_ENTRY& gffStruct, std::uint32_t position, std::uint32_t& index);
    /// Reads record index of a table after checking it against the table's count.
    bool ReadRecord(std::uint32_t index, std::uint32_t count, std::uint32_t tableOffset, void* record,
                    std::uint32_t recordSize);
    bool ReadAt(std::uint64_t position, void* buffer, std::uint32_t count);

    platform::OwnedFile m_File; ///< declared before the wrapper, which must go first; none over bytes
    std::uint32_t m_FileSize = 0;
    FileWrapper m_Wrapper;
    GFF_HEADER m_Header{};
    GffStruct m_Root;
};

} // namespace brindle
