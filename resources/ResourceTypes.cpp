// Resource type codes and extensions, one-to-one.
#include "resources/ResourceTypes.h"

#include "platform/Ascii.h"

#include <cstring>
#include <string>

namespace brindle {

namespace {

struct TypeName {
    NWN::ResType type;
    const char* extension;
};

constexpr TypeName kTypeNames[] = {
    {4, "wav"},    {8, "bmu"},    {2009, "nss"}, {2010, "ncs"}, {2012, "are"}, {2014, "ifo"},
    {2015, "bic"}, {2017, "2da"}, {2023, "git"}, {2025, "uti"}, {2027, "utc"}, {2029, "dlg"},
    {2030, "itp"}, {2032, "utt"}, {2033, "dds"}, {2035, "uts"}, {2037, "gff"}, {2040, "ute"},
    {2042, "utd"}, {2044, "utp"}, {2051, "utm"}, {2058, "utw"}, {2060, "ssf"}, {2064, "ndb"},
    {3001, "usc"}, {3002, "trn"}, {3003, "utr"}, {3004, "uen"}, {3005, "ult"}, {3006, "sef"},
    {3007, "pfx"}, {3008, "cam"}, {3011, "upe"}, {3020, "wlk"}, {3021, "xml"}, {3035, "trx"},
    {3036, "tro"}, {3037, "try"}, {4000, "mdb"}, {4002, "spt"}, {4003, "gr2"}, {4008, "pwc"},
};
static_assert(sizeof(kTypeNames) / sizeof(kTypeNames[0]) == 42);

constexpr bool AllExtensionsHaveThreeCharacters()
{
    for (const TypeName& entry : kTypeNames)
        if (std::char_traits<char>::length(entry.extension) != 3)
            return false;
    return true;
}
// Lets ExtToResType compare the four bytes of an extension and its terminator as one word.
static_assert(AllExtensionsHaveThreeCharacters());

} // namespace

const char* ResTypeToExt(NWN::ResType type)
{
    for (const TypeName& entry : kTypeNames)
        if (entry.type == type)
            return entry.extension;
    return "???";
}

NWN::ResType ExtToResType(const char* extension)
{
    if (extension == nullptr)
        return NWN::ResTypeInvalid;
    // At most four characters are taken, so an extension of four or more never matches.
    char buffer[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) {
        buffer[i] = ascii::ToLower(extension[i]);
        if (extension[i] == '\0')
            break;
    }
    if (buffer[3] != '\0')
        return NWN::ResTypeInvalid;
    for (const TypeName& entry : kTypeNames)
        if (std::memcmp(entry.extension, buffer, sizeof(buffer)) == 0)
            return entry.type;
    return NWN::ResTypeInvalid;
}

} // namespace brindle
