// On-disk records of .zip archives read by the central-directory reader: the end record, the
// 64-bit end record and its locator, and the directory's file header, decoded little-endian.
#pragma once

#include "formats/LittleEndian.h"

#include <cstdint>
#include <span>

namespace brindle {

inline constexpr std::uint32_t kZipEndSignature = 0x06054b50;         ///< "PK\5\6"
inline constexpr std::uint32_t kZip64EndSignature = 0x06064b50;       ///< "PK\6\6"
inline constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;   ///< "PK\6\7"
inline constexpr std::uint32_t kZipCentralHeaderSignature = 0x02014b50; ///< "PK\1\2"

// The records are byte-packed as on disk, so their sizes are the sizes the format gives.
#pragma pack(push, 1)

/// The end record, found by searching backward from the end of the file.
struct ZIP_END_RECORD {
    std::uint32_t Signature;
    std::uint16_t DiskNumber;       ///< archives spread over several disks have a non-zero number
    std::uint16_t DirectoryDisk;    ///< disk on which the directory starts
    std::uint16_t DiskEntryCount;   ///< entries on this disk
    std::uint16_t EntryCount;       ///< 0xFFFF when the count does not fit (or is exactly that)
    std::uint32_t DirectorySize;
    std::uint32_t DirectoryOffset;  ///< from the start of the archive, which a stub may shift
    std::uint16_t CommentSize;
};
static_assert(sizeof(ZIP_END_RECORD) == 22);

/// Points to the 64-bit end record; it stands anywhere in the file's last 64 KiB.
struct ZIP64_END_LOCATOR {
    std::uint32_t Signature;
    std::uint32_t EndRecordDisk;
    std::uint64_t EndRecordOffset;  ///< file offset of the 64-bit end record
    std::uint32_t DiskCount;
};
static_assert(sizeof(ZIP64_END_LOCATOR) == 20);

/// The 64-bit end record; its fields replace those of the end record.
struct ZIP64_END_RECORD {
    std::uint32_t Signature;
    std::uint64_t RecordSize;       ///< not used
    std::uint16_t VersionMadeBy;    ///< not used
    std::uint16_t VersionNeeded;    ///< not used
    std::uint32_t DiskNumber;
    std::uint32_t DirectoryDisk;
    std::uint64_t DiskEntryCount;
    std::uint64_t EntryCount;
    std::uint64_t DirectorySize;
    std::uint64_t DirectoryOffset;
};
static_assert(sizeof(ZIP64_END_RECORD) == 56);

/// One file header of the central directory; name, extra field and comment follow it.
struct ZIP_CENTRAL_HEADER {
    std::uint32_t Signature;
    std::uint16_t VersionMadeBy;    ///< not used
    std::uint16_t VersionNeeded;    ///< not used
    std::uint16_t Flags;            ///< bit 0 and bit 6: encrypted entry; bit 13: masked directory
    std::uint16_t Method;           ///< not used: decompression is the library's business
    std::uint16_t Time;             ///< not used
    std::uint16_t Date;             ///< not used
    std::uint32_t Crc;              ///< not used
    std::uint32_t CompressedSize;   ///< not used
    std::uint32_t UncompressedSize; ///< not used
    std::uint16_t NameSize;
    std::uint16_t ExtraSize;
    std::uint16_t CommentSize;
    std::uint16_t DiskNumber;       ///< disk holding the entry
    std::uint16_t InternalAttributes; ///< not used
    std::uint32_t ExternalAttributes; ///< not used
    std::uint32_t LocalHeaderOffset;  ///< not used
};
static_assert(sizeof(ZIP_CENTRAL_HEADER) == 46);

#pragma pack(pop)

inline ZIP_END_RECORD DecodeZipEndRecord(std::span<const unsigned char, sizeof(ZIP_END_RECORD)> raw)
{
    const unsigned char* p = raw.data();
    ZIP_END_RECORD r{};
    r.Signature = LoadU32LE(p);
    r.DiskNumber = LoadU16LE(p + 4);
    r.DirectoryDisk = LoadU16LE(p + 6);
    r.DiskEntryCount = LoadU16LE(p + 8);
    r.EntryCount = LoadU16LE(p + 10);
    r.DirectorySize = LoadU32LE(p + 12);
    r.DirectoryOffset = LoadU32LE(p + 16);
    r.CommentSize = LoadU16LE(p + 20);
    return r;
}

inline ZIP64_END_LOCATOR DecodeZip64EndLocator(std::span<const unsigned char, sizeof(ZIP64_END_LOCATOR)> raw)
{
    const unsigned char* p = raw.data();
    ZIP64_END_LOCATOR r{};
    r.Signature = LoadU32LE(p);
    r.EndRecordDisk = LoadU32LE(p + 4);
    r.EndRecordOffset = LoadU64LE(p + 8);
    r.DiskCount = LoadU32LE(p + 16);
    return r;
}

inline ZIP64_END_RECORD DecodeZip64EndRecord(std::span<const unsigned char, sizeof(ZIP64_END_RECORD)> raw)
{
    const unsigned char* p = raw.data();
    ZIP64_END_RECORD r{};
    r.Signature = LoadU32LE(p);
    r.RecordSize = LoadU64LE(p + 4);
    r.VersionMadeBy = LoadU16LE(p + 12);
    r.VersionNeeded = LoadU16LE(p + 14);
    r.DiskNumber = LoadU32LE(p + 16);
    r.DirectoryDisk = LoadU32LE(p + 20);
    r.DiskEntryCount = LoadU64LE(p + 24);
    r.EntryCount = LoadU64LE(p + 32);
    r.DirectorySize = LoadU64LE(p + 40);
    r.DirectoryOffset = LoadU64LE(p + 48);
    return r;
}

inline ZIP_CENTRAL_HEADER DecodeZipCentralHeader(std::span<const unsigned char, sizeof(ZIP_CENTRAL_HEADER)> raw)
{
    const unsigned char* p = raw.data();
    ZIP_CENTRAL_HEADER r{};
    r.Signature = LoadU32LE(p);
    r.VersionMadeBy = LoadU16LE(p + 4);
    r.VersionNeeded = LoadU16LE(p + 6);
    r.Flags = LoadU16LE(p + 8);
    r.Method = LoadU16LE(p + 10);
    r.Time = LoadU16LE(p + 12);
    r.Date = LoadU16LE(p + 14);
    r.Crc = LoadU32LE(p + 16);
    r.CompressedSize = LoadU32LE(p + 20);
    r.UncompressedSize = LoadU32LE(p + 24);
    r.NameSize = LoadU16LE(p + 28);
    r.ExtraSize = LoadU16LE(p + 30);
    r.CommentSize = LoadU16LE(p + 32);
    r.DiskNumber = LoadU16LE(p + 34);
    r.InternalAttributes = LoadU16LE(p + 36);
    r.ExternalAttributes = LoadU32LE(p + 38);
    r.LocalHeaderOffset = LoadU32LE(p + 42);
    return r;
}

} // namespace brindle
