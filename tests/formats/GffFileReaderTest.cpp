// GFF reader: construction checks by exact text, field lookups over built files (including damaged
// offsets inside an accepted file), truncation at every length, and the real GFF files.
#include "formats/GffFileReader.h"

#include "resources/PlainException.h"
#include "tests/support/BothWays.h"
#include "tests/support/ByteBuilder.h"
#include "tests/support/ExpectThrow.h"
#include "tests/support/FileCut.h"
#include "tests/support/GffWriter.h"
#include "tests/support/RealData.h"
#include "tests/support/ScopedTempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <stdexcept>

namespace brindle {
namespace {

using test::ByteBuilder;
using test::GffWriter;
using test::ScopedTempDir;

// Header positions of the table offsets and counts.
enum HeaderField : std::size_t {
    kStructOffset = 8, kStructCount = 12, kFieldOffset = 16, kFieldCount = 20, kLabelOffset = 24,
    kLabelCount = 28, kFieldDataOffset = 32, kFieldDataCount = 36, kFieldIndicesOffset = 40,
    kFieldIndicesCount = 44, kListIndicesOffset = 48, kListIndicesCount = 52,
};

std::uint32_t Get(const std::string& bytes, std::size_t position)
{
    return LoadU32LE(reinterpret_cast<const unsigned char*>(bytes.data()) + position);
}

std::string Patch(const std::string& bytes, std::size_t position, std::uint32_t value)
{
    return ByteBuilder().Bytes(bytes).PatchU32(position, value).Str();
}

// The hak names of a module information file, read the way the module loader reads them.
std::vector<std::string> ReadHaks(GffFileReader& reader)
{
    std::vector<std::string> haks;
    GFF_FIELD_ENTRY list;
    std::uint32_t count = 0;
    if (!reader.FindField(reader.GetRootStruct(), "Mod_HakList", list) || list.Type != GffTypeList ||
        !reader.ReadListIndex(list.DataOrDataOffset, count))
        return haks;
    for (std::uint32_t e = 0; e < count; ++e) {
        std::uint32_t index = 0;
        GFF_STRUCT_ENTRY entry;
        std::string name;
        if (!reader.ReadListIndex(list.DataOrDataOffset + 4 + 4 * e, index))
            break;
        reader.ReadStructEntry(index, entry);
        if (!reader.ReadStringField(GffStruct(&reader, entry), "Mod_Hak", name))
            break;
        haks.push_back(name);
    }
    return haks;
}

// What a reader gives: its talk table and hak names as the module loader reads them.
std::string Describe(GffFileReader& reader)
{
    std::string tlk = "<none>";
    reader.ReadStringField(reader.GetRootStruct(), "Mod_CustomTlk", tlk);
    std::string outcome = "tlk=" + tlk + " haks=";
    for (const std::string& hak : ReadHaks(reader))
        outcome += hak + ",";
    return outcome;
}

std::string OutcomeOfBoth(const std::string& bytes, const std::string& path)
{
    return test::OutcomeOfBoth<GffFileReader>(Describe, bytes, path);
}

std::string WrittenOutcomeOfBoth(const std::string& bytes, const ScopedTempDir& dir)
{
    return test::WrittenOutcomeOfBoth<GffFileReader>(Describe, bytes, dir, "same.gff");
}

// Root fields in order: Mod_Hak, Dword, ResRefField, Empty, SixteenCharLabel, List; the list holds a
// structure with the single field Mod_Hak and a structure without fields.
std::string BuildLookupFile()
{
    GffWriter writer("XXXX");
    writer.AddExoString(0, "Mod_Hak", "HakOne");
    writer.AddDword(0, "Dword", 7);
    writer.AddResRef(0, "ResRefField", "abc");
    writer.AddExoString(0, "Empty", "");
    writer.AddExoString(0, "SixteenCharLabel", "sixteen");
    const std::uint32_t single = writer.AddStruct(1);
    writer.AddExoString(single, "Mod_Hak", "one");
    const std::uint32_t empty = writer.AddStruct(2);
    writer.AddList(0, "List", {single, empty});
    return writer.Build();
}

TEST(GffFileReaderTest, ConstructionFailuresByExactText)
{
    const std::string base = test::BuildModuleIfo({"a", "b"}, "tlk");
    const auto size = static_cast<std::uint32_t>(base.size());
    const std::uint32_t dataEnd = size - Get(base, kFieldDataOffset);
    struct Case {
        const char* name;
        std::string bytes;
        const char* message;
    } const cases[] = {
        {"empty file", "", "ReadFile( &m_Header ) failed."},
        {"short header", base.substr(0, 55), "ReadFile( &m_Header ) failed."},
        {"version", ByteBuilder().Bytes(base).PatchU32(4, 0x332E3356).Str(), "Unrecognized GFF version."}, // "V3.3"
        {"structs", Patch(base, kStructCount, (size - Get(base, kStructOffset)) / 12 + 1),
         "Struct accounting is incorrect."},
        {"fields wrap in 32 bits", Patch(base, kFieldCount, 0xFFFFFFFF), "Field accounting is incorrect."},
        {"labels", Patch(base, kLabelOffset, size - 15), "Label accounting is incorrect."},
        {"field data one past the end", Patch(base, kFieldDataCount, dataEnd + 1),
         "Field data accounting is incorrect."},
        {"field indices", Patch(base, kFieldIndicesOffset, 0xFFFFFFFF), "Field indicies accounting is incorrect."},
        {"field indices size", Patch(base, kFieldIndicesCount, 6),
         "Field indicies array is not a multiple of FIELD_INDEX."},
        {"list indices", Patch(base, kListIndicesCount, Get(base, kListIndicesCount) + 1),
         "List indicies accounting is incorrect."},
        {"no structures", Patch(base, kStructCount, 0), "Illegal struct index."},
        {"root type", Patch(base, Get(base, kStructOffset), 0), "Unexpected root structure type."},
    };
    ScopedTempDir dir;
    const std::string path = dir / "module.ifo";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::WriteFile(path, c.bytes);
        test::ExpectThrowText<std::runtime_error>([&] { GffFileReader reader(path); }, c.message);
    }

    // Any file type is accepted, and a field-data block may end exactly at the end of the file.
    test::WriteFile(path, Patch(base, kFieldDataCount, dataEnd));
    EXPECT_NO_THROW(GffFileReader{path});

    for (const std::string& bad : {dir / "missing.ifo", dir.Path()})
        test::ExpectThrowText<PlainException>([&] { GffFileReader reader(bad); }, "Failed to open GFF file.");
}

TEST(GffFileReaderTest, FieldLookups)
{
    ScopedTempDir dir;
    test::WriteFile(dir / "lookup.gff", BuildLookupFile());
    GffFileReader reader(dir / "lookup.gff");
    const GffStruct root = reader.GetRootStruct();
    EXPECT_EQ(root.GetReader(), &reader);
    EXPECT_EQ(root.GetEntry().FieldCount, 6u);

    GFF_FIELD_ENTRY field;
    std::string value = "untouched";
    EXPECT_TRUE(reader.ReadStringField(root, "Mod_Hak", value));
    EXPECT_EQ(value, "HakOne");
    EXPECT_FALSE(reader.FindField(root, "mod_hak", field));
    EXPECT_FALSE(reader.FindField(root, "Mod_Ha", field));
    EXPECT_TRUE(reader.FindField(root, "SixteenCharLabel", field));
    EXPECT_TRUE(reader.FindField(root, "SixteenCharLabelAndMore", field));
    EXPECT_FALSE(reader.FindField(root, "SixteenCharLabe", field));
    EXPECT_FALSE(reader.FindField(root, "Missing", field));

    value = "untouched";
    EXPECT_FALSE(reader.ReadStringField(root, "ResRefField", value));
    EXPECT_FALSE(reader.ReadStringField(root, "Dword", value));
    EXPECT_EQ(value, "untouched");
    EXPECT_TRUE(reader.ReadStringField(root, "Empty", value));
    EXPECT_EQ(value, "");

    // The list's first element has one field: its DataOrDataOffset is the field index itself.
    GFF_FIELD_ENTRY list;
    ASSERT_TRUE(reader.FindField(root, "List", list));
    ASSERT_EQ(list.Type, GffTypeList);
    std::uint32_t count = 0, index = 0;
    ASSERT_TRUE(reader.ReadListIndex(list.DataOrDataOffset, count));
    EXPECT_EQ(count, 2u);
    GFF_STRUCT_ENTRY entry;
    ASSERT_TRUE(reader.ReadListIndex(list.DataOrDataOffset + 4, index));
    reader.ReadStructEntry(index, entry);
    EXPECT_EQ(entry.FieldCount, 1u);
    EXPECT_TRUE(reader.ReadStringField(GffStruct(&reader, entry), "Mod_Hak", value));
    EXPECT_EQ(value, "one");
    EXPECT_FALSE(reader.FindField(GffStruct(&reader, entry), "Dword", field));
    ASSERT_TRUE(reader.ReadListIndex(list.DataOrDataOffset + 8, index));
    reader.ReadStructEntry(index, entry);
    EXPECT_FALSE(reader.FindField(GffStruct(&reader, entry), "Mod_Hak", field));

    test::ExpectThrowText<std::runtime_error>([&] { reader.ReadStructEntry(3, entry); }, "Illegal struct index.");
}

// Offsets that point (partly) outside their block inside an accepted file give false, never an
// error and never bytes of a neighbouring block.
TEST(GffFileReaderTest, ReadsStayInsideTheirBlocks)
{
    const std::string base = BuildLookupFile();
    const std::uint32_t dataCount = Get(base, kFieldDataCount);
    const std::uint32_t indicesCount = Get(base, kFieldIndicesCount);
    const std::uint32_t listCount = Get(base, kListIndicesCount);
    ScopedTempDir dir;
    test::WriteFile(dir / "a.gff", base);
    GffFileReader reader(dir / "a.gff");
    unsigned char buffer[8];
    std::uint32_t value = 0;
    EXPECT_TRUE(reader.ReadFieldData(dataCount - 4, buffer, 4));
    EXPECT_FALSE(reader.ReadFieldData(dataCount - 2, buffer, 4));
    EXPECT_FALSE(reader.ReadFieldData(0xFFFFFFFF, buffer, 4));
    EXPECT_TRUE(reader.ReadFieldData(dataCount, buffer, 0));
    EXPECT_TRUE(reader.ReadListIndex(listCount - 4, value));
    EXPECT_FALSE(reader.ReadListIndex(listCount - 2, value));
    EXPECT_FALSE(reader.ReadListIndex(listCount, value));

    // The root's field indices start exactly at the end of their block: the 4 bytes read there would
    // be the list's element count (2), the index of the field ResRefField.
    const std::string pastIndices = Patch(base, Get(base, kStructOffset) + 4, indicesCount);
    test::WriteFile(dir / "b.gff", pastIndices);
    GffFileReader shifted(dir / "b.gff");
    GFF_FIELD_ENTRY field;
    EXPECT_FALSE(shifted.FindField(shifted.GetRootStruct(), "ResRefField", field));
    EXPECT_FALSE(shifted.FindField(shifted.GetRootStruct(), "Mod_Hak", field));

    // A text whose length runs past the field-data block: false, value untouched.
    const std::string longText = Patch(base, Get(base, kFieldDataOffset), dataCount);
    test::WriteFile(dir / "c.gff", longText);
    GffFileReader damaged(dir / "c.gff");
    std::string text = "untouched";
    EXPECT_FALSE(damaged.ReadStringField(damaged.GetRootStruct(), "Mod_Hak", text));
    EXPECT_EQ(text, "untouched");
    EXPECT_TRUE(damaged.ReadStringField(damaged.GetRootStruct(), "SixteenCharLabel", text));
    EXPECT_EQ(text, "sixteen");
}

// A file cut short under an open reader cannot be paged in: lookups give false, never a crash.
TEST(GffFileReaderTest, FileCutUnderAnOpenReader)
{
    ScopedTempDir dir;
    test::WriteFile(dir / "a.gff", BuildLookupFile());
    GffFileReader reader(dir / "a.gff");
    if (!test::CanCutMappedFiles())
        GTEST_SKIP() << "this system refuses to cut a mapped file short";
    ASSERT_TRUE(test::CutFileShort(dir / "a.gff"));
    std::string value = "untouched";
    GFF_FIELD_ENTRY field;
    EXPECT_FALSE(reader.FindField(reader.GetRootStruct(), "Mod_Hak", field));
    EXPECT_FALSE(reader.ReadStringField(reader.GetRootStruct(), "Mod_Hak", value));
    EXPECT_EQ(value, "untouched");
}

TEST(GffFileReaderTest, TruncatedAtEveryLengthFailsWithAFixedText)
{
    const std::string base = test::BuildModuleIfo({"HakOne", "hak_two", "Hak3"}, "custom");
    const std::set<std::string> allowed = {
        "ReadFile( &m_Header ) failed.",
        "Unrecognized GFF version.",
        "Struct accounting is incorrect.",
        "Field accounting is incorrect.",
        "Label accounting is incorrect.",
        "Field data accounting is incorrect.",
        "Field indicies accounting is incorrect.",
        "List indicies accounting is incorrect.",
        "Illegal struct index.", "Unexpected root structure type.",
    };
    ScopedTempDir dir;
    const std::string path = dir / "module.ifo";
    for (std::size_t length = 0; length <= base.size(); ++length) {
        test::WriteFile(path, base.substr(0, length));
        try {
            GffFileReader reader(path);
            EXPECT_EQ(length, base.size());
            std::string tlk;
            EXPECT_TRUE(reader.ReadStringField(reader.GetRootStruct(), "Mod_CustomTlk", tlk));
            EXPECT_EQ(tlk, "custom");
            EXPECT_EQ(ReadHaks(reader), (std::vector<std::string>{"HakOne", "hak_two", "Hak3"}));
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(allowed.count(e.what()), 1u) << length << ": " << e.what();
        }
    }
}

// The smallest module information file: a root with the one field Mod_CustomTlk = "abc".
const unsigned char kSmallIfo[] = {
    'I',  'F',  'O',  ' ',  'V', '3', '.', '2',                   // file type, version
    56,   0,    0,    0,    1,   0,   0,   0,                     // structures at 56, 1 of them
    68,   0,    0,    0,    1,   0,   0,   0,                     // fields at 68, 1
    80,   0,    0,    0,    1,   0,   0,   0,                     // labels at 80, 1
    96,   0,    0,    0,    7,   0,   0,   0,                     // field data at 96, 7 bytes
    103,  0,    0,    0,    0,   0,   0,   0,                     // field indices at 103, none
    103,  0,    0,    0,    0,   0,   0,   0,                     // list indices at 103, none
    0xFF, 0xFF, 0xFF, 0xFF, 0,   0,   0,   0,   1,   0,   0,   0, // 56: the root, its single field is field 0
    10,   0,    0,    0,    0,   0,   0,   0,   0,   0,   0,   0, // 68: a CExoString labelled 0, its data at 0
    'M',  'o',  'd',  '_',  'C', 'u', 's', 't', 'o', 'm', 'T', 'l', 'k', 0, 0, 0, // 80: label 0
    3,    0,    0,    0,    'a', 'b', 'c',                                        // 96: the text's length and bytes
};

TEST(GffFileReaderTest, SmallFileFromBytesAndItsDamagedVariants)
{
    const std::string small(reinterpret_cast<const char*>(kSmallIfo), sizeof(kSmallIfo));
    ASSERT_EQ(small.size(), 103u);
    const test::Damage cases[] = {
        {"as written", 0, 'I', "tlk=abc haks="},
        {"any file type", 0, 'X', "tlk=abc haks="},
        {"empty", 0, -1, "ReadFile( &m_Header ) failed."},
        {"header cut short", 55, -1, "ReadFile( &m_Header ) failed."},
        {"version", 7, '3', "Unrecognized GFF version."},
        {"structures past the end", 12, 5, "Struct accounting is incorrect."},
        {"fields past the end", 20, 3, "Field accounting is incorrect."},
        {"field data one byte past the end", 36, 8, "Field data accounting is incorrect."},
        {"no structures", 12, 0, "Illegal struct index."},
        {"root type", 56, 0, "Unexpected root structure type."},
        // Damage that the checks at construction let through: the field is then not found.
        {"field index past the table", 60, 1, "tlk=<none> haks="},
        {"label index past the table", 72, 1, "tlk=<none> haks="},
        {"field of another type", 68, 13, "tlk=<none> haks="},
        {"text runs past the field data", 96, 4, "tlk=<none> haks="},
        {"text cut to nothing", 96, 0, "tlk= haks="},
        {"label differs", 80, 'm', "tlk=<none> haks="},
        {"file cut after the text's first byte", 100, -1, "Field data accounting is incorrect."},
    };
    ScopedTempDir dir;
    for (const test::Damage& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(WrittenOutcomeOfBoth(test::Patched(small, c), dir), c.outcome);
    }
}

// Every cut of a module information file reads the same from memory as from a file.
TEST(GffFileReaderTest, BytesReadAsTheirFileAtEveryLength)
{
    const std::string base = test::BuildModuleIfo({"HakOne", "hak_two"}, "custom");
    ScopedTempDir dir;
    test::EveryCutReadsAlike<GffFileReader>(Describe, base, dir, "cut.gff");
    EXPECT_EQ(WrittenOutcomeOfBoth(base, dir), "tlk=custom haks=HakOne,hak_two,");
}

TEST(GffFileReaderTest, RealFilesConstruct)
{
    BRINDLE_REQUIRE_REALDATA(real);
    int constructed = 0;
    for (const char* folder : {"/gff", "/moddir"}) {
        for (const auto& item : std::filesystem::recursive_directory_iterator(real + folder)) {
            if (!item.is_regular_file())
                continue;
            const std::string bytes = test::ReadFile(item.path().string());
            if (bytes.size() < 8 || bytes.compare(4, 4, "V3.2") != 0)
                continue;
            SCOPED_TRACE(item.path().string());
            EXPECT_NO_THROW(GffFileReader{item.path().string()});
            OutcomeOfBoth(bytes, item.path().string());
            ++constructed;
        }
    }
    // At least the 8 files of gff/ and the 7 of the module folder that were there first; new real
    // files may join the collection.
    EXPECT_GE(constructed, 15);
}

TEST(GffFileReaderTest, RealModuleHakListAndTalkTable)
{
    BRINDLE_REQUIRE_REALDATA(real);
    GffFileReader reader(real + "/gff/projectm_test1/module.IFO");
    std::string tlk;
    EXPECT_TRUE(reader.ReadStringField(reader.GetRootStruct(), "Mod_CustomTlk", tlk));
    EXPECT_EQ(tlk, "projectM");
    const std::vector<std::string> expected = {
        "projectm_2da", "projectm_ui", "projectm_icons", "projectm_item_models", "player_headandhair",
        "csl_2da", "csl_icons", "csl_ui", "csl_sefs2", "adl_argyl_drawbridge", "adl_botumy_hobbithouse",
        "adl_bth_standingstones", "adl_nytir_bck1", "adl_nytir_bck1orient", "adl_nytir_bck2class",
        "adl_nytir_bck2eberron", "adl_nytir_bck2generic", "adl_nytir_bck2goth", "adl_other_catapultmods",
        "adl_other_cocoons", "adl_other_exoticdream", "adl_other_newcity", "adl_other_pwdrowcave",
        "adl_other_traps", "adl_pain_appearance", "adl_pain_icons", "adl_pain_monsterpackccp",
        "adl_pain_monsterpackconverts", "adl_pain_monsterpackgear", "adl_pain_monsterpackmisc",
        "adl_pain_monsterpackmisc2", "adl_pain_monsterpackmow", "adl_pain_monsterpackpurg",
        "adl_pain_monsterpackpurg2", "adl_pain_monsterpackree", "adl_pain_monsterpackree2",
        "adl_pain_monsterpackrof", "adl_pain_monsterpackrws", "adl_pain_monsterpacksbrage", "adl_pain_sefs",
        "adl_pain_tintablerocks", "adl_rds_placeables1", "adl_rws_bridges", "adl_rws_caveentries",
        "adl_rws_cliff", "adl_rws_darkruins", "adl_rws_deepchasms", "adl_rws_deephalls", "adl_rws_deepsewer",
        "adl_rws_mezzo", "adl_rws_swimmingbeta", "adl_rws_towers", "adl_tuopon_citywalls",
        "adl_zpirits_placeables", "mow_creatures", "mow_placeables", "rws_underwater", "socialkemoanims",
        "rws_adobe", "dex_rofui",
    };
    EXPECT_EQ(expected.size(), 60u);
    EXPECT_EQ(ReadHaks(reader), expected);

    // A module whose hak list is present but empty, with an empty custom talk table name.
    GffFileReader empty(real + "/gff/kaedrin/ScriptMasterDB_145_1_MODULE.IFO");
    EXPECT_TRUE(ReadHaks(empty).empty());
    tlk = "untouched";
    EXPECT_TRUE(empty.ReadStringField(empty.GetRootStruct(), "Mod_CustomTlk", tlk));
    EXPECT_EQ(tlk, "");
}

TEST(GffFileReaderTest, VoidFieldsGiveTheirBytes)
{
    ScopedTempDir dir;
    GffWriter gff("IFO ");
    const std::string guid("\x97\x28\0\0\xa9\x81\x8e\x43\x91\x03\xa4\x59\x6b\x77\xa0\xb7", 16);
    gff.AddVoid(0, "Campaign_ID", guid);
    gff.AddVoid(0, "Nothing", "");
    gff.AddExoString(0, "Text", "text");
    test::WriteFile(dir / "void.gff", gff.Build());
    GffFileReader reader(dir / "void.gff");
    const GffStruct root = reader.GetRootStruct();
    std::string value = "untouched";
    EXPECT_TRUE(reader.ReadVoidField(root, "Campaign_ID", value));
    EXPECT_EQ(value, guid); // zero bytes inside are kept
    EXPECT_TRUE(reader.ReadVoidField(root, "Nothing", value));
    EXPECT_EQ(value, "");
    // Each reader takes only its own type.
    value = "untouched";
    EXPECT_FALSE(reader.ReadVoidField(root, "Text", value));
    EXPECT_FALSE(reader.ReadStringField(root, "Campaign_ID", value));
    EXPECT_FALSE(reader.ReadVoidField(root, "Missing", value));
    EXPECT_EQ(value, "untouched");

    // A length running past the field-data block gives false.
    std::string bytes = gff.Build();
    bytes = Patch(bytes, Get(bytes, kFieldDataOffset), 1000);
    test::WriteFile(dir / "long.gff", bytes);
    GffFileReader damaged(dir / "long.gff");
    EXPECT_FALSE(damaged.ReadVoidField(damaged.GetRootStruct(), "Campaign_ID", value));
    EXPECT_EQ(value, "untouched");
}

TEST(GffFileReaderTest, RealModuleCampaignIdIsItsCampaignsGuid)
{
    BRINDLE_REQUIRE_REALDATA(real);
    GffFileReader module(real + "/gff/alfa_build_mod/module.IFO");
    GffFileReader campaign(real + "/gff/alfa_campaign/Campaign.cam");
    std::string id, guid, moduleId;
    ASSERT_TRUE(module.ReadVoidField(module.GetRootStruct(), "Campaign_ID", id));
    ASSERT_TRUE(campaign.ReadVoidField(campaign.GetRootStruct(), "GUID", guid));
    EXPECT_EQ(id.size(), 16u);
    EXPECT_EQ(id, guid);
    // The module's own GUID is a VOID field of the same size, and another value.
    ASSERT_TRUE(module.ReadVoidField(module.GetRootStruct(), "Mod_ID", moduleId));
    EXPECT_EQ(moduleId.size(), 16u);
    EXPECT_NE(moduleId, id);
    // A module outside any campaign stores zeros.
    GffFileReader alone(real + "/gff/kaedrin/ScriptMasterDB_145_1_MODULE.IFO");
    ASSERT_TRUE(alone.ReadVoidField(alone.GetRootStruct(), "Campaign_ID", id));
    EXPECT_EQ(id, std::string(16, '\0'));
}

} // namespace
} // namespace brindle
