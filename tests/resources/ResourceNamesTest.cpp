// Resource type table, name conversions, keys and name validation.
#include "resources/ResourceNames.h"
#include "resources/ResourceTypes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

namespace brindle {
namespace {

TEST(ResourceTypesTest, EveryCodeMapsToItsExtensionAndBack)
{
    const std::pair<NWN::ResType, const char*> table[] = {
        {4, "wav"},    {8, "bmu"},    {2009, "nss"}, {2010, "ncs"}, {2012, "are"}, {2014, "ifo"},
        {2015, "bic"}, {2017, "2da"}, {2023, "git"}, {2025, "uti"}, {2027, "utc"}, {2029, "dlg"},
        {2030, "itp"}, {2032, "utt"}, {2033, "dds"}, {2035, "uts"}, {2037, "gff"}, {2040, "ute"},
        {2042, "utd"}, {2044, "utp"}, {2051, "utm"}, {2058, "utw"}, {2060, "ssf"}, {2064, "ndb"},
        {3001, "usc"}, {3002, "trn"}, {3003, "utr"}, {3004, "uen"}, {3005, "ult"}, {3006, "sef"},
        {3007, "pfx"}, {3008, "cam"}, {3011, "upe"}, {3020, "wlk"}, {3021, "xml"}, {3035, "trx"},
        {3036, "tro"}, {3037, "try"}, {4000, "mdb"}, {4002, "spt"}, {4003, "gr2"}, {4008, "pwc"},
    };
    int known = 0;
    for (unsigned code = 0; code <= 0xFFFF; ++code)
        if (std::strcmp(ResTypeToExt(static_cast<NWN::ResType>(code)), "???") != 0)
            ++known;
    EXPECT_EQ(known, 42);
    for (const auto& [code, ext] : table) {
        EXPECT_STREQ(ResTypeToExt(code), ext);
        EXPECT_EQ(ExtToResType(ext), code);
    }
}

TEST(ResourceTypesTest, UnknownCodesAndExtensions)
{
    EXPECT_STREQ(ResTypeToExt(0), "???");
    EXPECT_STREQ(ResTypeToExt(2011), "???");
    EXPECT_STREQ(ResTypeToExt(0xFFFF), "???");
    EXPECT_EQ(ExtToResType("MDB"), 4000);
    EXPECT_EQ(ExtToResType("Mdb"), 4000);
    EXPECT_EQ(ExtToResType("mdbx"), NWN::ResTypeInvalid);
    EXPECT_EQ(ExtToResType(""), NWN::ResTypeInvalid);
    EXPECT_EQ(ExtToResType("md"), NWN::ResTypeInvalid);
    EXPECT_EQ(ExtToResType("\xC4" "da"), NWN::ResTypeInvalid);
}

TEST(ResourceNamesTest, TextToNameAndBack)
{
    const NWN::ResRef32 hello = ToResRef32("Hello");
    EXPECT_EQ(std::string(hello.RefStr, 5), "hello");
    for (int i = 5; i < 32; ++i)
        EXPECT_EQ(hello.RefStr[i], '\0');

    const std::string forty = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789WXYZ";
    const NWN::ResRef32 cut = ToResRef32(forty);
    EXPECT_EQ(std::string(cut.RefStr, 32), "abcdefghijklmnopqrstuvwxyz012345");
    EXPECT_EQ(ToText(cut), "abcdefghijklmnopqrstuvwxyz012345");

    // Bytes above 0x7F pass through unchanged: case mapping is ASCII only.
    EXPECT_EQ(ToText(ToResRef32("\xC9T\xE9")), "\xC9t\xE9");
}

TEST(ResourceNamesTest, KeysKeepTheNameAsGiven)
{
    EXPECT_EQ(MakeResourceKey(2017, "gender"), "2017Tgender");
    EXPECT_EQ(MakeResourceKey(4000, "a_b"), "4000Ta_b");
    EXPECT_EQ(MakeResourceKey(2017, "Gender"), "2017TGender");
}

TEST(ResourceNamesTest, ValidateRefusesPathsAndDevices)
{
    const auto message = [](const char* name) -> std::string {
        try {
            ValidateResourceName(name);
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "";
    };
    for (const char* name : {"a/b", "a\\b", "a..b", "..", "/"})
        EXPECT_EQ(message(name), "Resource name has path characters (illegal).") << name;
    for (const char* name : {"PRN", "AUX", "CON", "NUL", "CONIN$", "CONOUT$", "CLOCK$", "COM1", "LPT9"})
        EXPECT_EQ(message(name), "Resource name is a DOS device (illegal).") << name;
    for (const char* name : {"", "COM", "COMX", "COM10", "com1", "prn", "con", "a.b", "gender"})
        EXPECT_EQ(message(name), "") << name;
}

} // namespace
} // namespace brindle
