// On-disk records of ERF-family archives (modules, HAKs), decoded little-endian from raw bytes.
#pragma once

#include "formats/LittleEndian.h"
#include "resources/ResRef.h"

#include <cstdint>
#include <cstring>

namespace brindle {

/// The archive header at offset 0.
struct ERF_HEADER {
    char FileType[4];                     ///< not examined: any file type is accepted
    char Version[4];                      ///< not examined: any version is accepted
    std::uint32_t LanguageCount;          ///< not used
    std::uint32_t LocalizedStringSize;    ///< not used
    std::uint32_t EntryCount;             ///< number of keys and of resource records
    std::uint32_t OffsetToLocalizedString;///< not used
    std::uint32_t OffsetToKeyList;        ///< file offset of the key list
    std::uint32_t OffsetToResourceList;   ///< file offset of the resource list
    std::uint8_t Rest[128];               ///< build date, description and reserved bytes; not used
};
static_assert(sizeof(ERF_HEADER) == 160);

/// One key: the name and type of a resource.
struct ERF_KEY {
    NWN::ResRef32 ResRef;       ///< kept exactly as stored, no case change
    std::uint32_t ResourceID;   ///< must equal the key's position in the list
    NWN::ResType ResType;
    std::uint16_t Reserved;     ///< not interpreted
};
static_assert(sizeof(ERF_KEY) == 40);

/// One resource record: where a resource's bytes lie.
struct ERF_RESOURCE {
    std::uint32_t OffsetToResource;
    std::uint32_t ResourceSize;
};
static_assert(sizeof(ERF_RESOURCE) == 8);

inline ERF_HEADER DecodeErfHeader(const unsigned char (&raw)[sizeof(ERF_HEADER)])
{
    ERF_HEADER h{};
    std::memcpy(h.FileType, raw, 4);
    std::memcpy(h.Version, raw + 4, 4);
    h.LanguageCount = LoadU32LE(raw + 8);
    h.LocalizedStringSize = LoadU32LE(raw + 12);
    h.EntryCount = LoadU32LE(raw + 16);
    h.OffsetToLocalizedString = LoadU32LE(raw + 20);
    h.OffsetToKeyList = LoadU32LE(raw + 24);
    h.OffsetToResourceList = LoadU32LE(raw + 28);
    std::memcpy(h.Rest, raw + 32, sizeof(h.Rest));
    return h;
}

inline ERF_KEY DecodeErfKey(const unsigned char (&raw)[sizeof(ERF_KEY)])
{
    ERF_KEY k{};
    std::memcpy(k.ResRef.RefStr, raw, sizeof(k.ResRef.RefStr));
    k.ResourceID = LoadU32LE(raw + 32);
    k.ResType = LoadU16LE(raw + 36);
    k.Reserved = LoadU16LE(raw + 38);
    return k;
}

inline ERF_RESOURCE DecodeErfResource(const unsigned char (&raw)[sizeof(ERF_RESOURCE)])
{
    return ERF_RESOURCE{LoadU32LE(raw), LoadU32LE(raw + 4)};
}

} // namespace brindle
