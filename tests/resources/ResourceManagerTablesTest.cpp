// Game tables through the manager: the parse-once cache and its warnings.
#include "app/LookupTables.h"
#include "app/TableExtraction.h"
#include "containers/ZipFileReader.h"
#include "formats/TwoDAFileReader.h"
#include "platform/SystemFailure.h"
#include "resources/ResourceManager.h"
#include "resources/ResourceTypes.h"
#include "tests/support/ExpectThrow.h"
#include "tests/support/MemoryArchive.h"
#include "tests/support/RecordingTextOut.h"
#include "tests/support/ScopedTmpdirOverride.h"
#include "tests/support/ZipWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace brindle {
namespace {

class ResourceManagerTablesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_Archive = std::make_shared<test::MemoryArchive>();
        m_Manager.AttachArchive(ResourceManager::TierArchive, m_Archive);
    }

    test::ScopedTmpdirOverride m_Tmp;
    test::RecordingTextOut m_Out;
    ResourceManager m_Manager {&m_Out};
    std::shared_ptr<test::MemoryArchive> m_Archive;
};

// An archived table is read into memory: nothing is copied out, and a failed read warns as a failed
// copy would, naming the copy's path where the table's own messages give one.
TEST_F(ResourceManagerTablesTest, ArchivedTablesAreReadWithoutACopyAndFailAsACopyWould)
{
    struct Case {
        const char* name;
        void (*fault)(test::MemoryArchive&);
        std::string bytes;
        std::string warnings; ///< "{}" stands for the instance directory
    };
    const std::string table = "2DA V2.0\r\n\r\n   LABEL\r\n0  a\r\n";
    const Case cases[] = {
        {"read whole", [](test::MemoryArchive&) {}, table, ""},
        {"cannot open", [](test::MemoryArchive& a) { a.FailOpen(); }, table,
         "WARNING: Exception 'Failed to open RESREF 'gender'' loading resource 'gender' (type 07E1).\n"
         "WARNING: Failed to access 2DA 'gender': exception 'Failed to open RESREF 'gender''.\n"},
        {"read of nothing", [](test::MemoryArchive& a) { a.DeliverNothingAfter(4096); }, std::string(5000, 'x'),
         "WARNING: Exception 'ReadEncapsulatedFile failed' loading resource 'gender' (type 07E1).\n"
         "WARNING: Failed to access 2DA 'gender': exception 'ReadEncapsulatedFile failed'.\n"},
        {"close fails", [](test::MemoryArchive& a) { a.FailClose(); }, table,
         "WARNING: Exception 'ReadEncapsulatedFile failed' loading resource 'gender' (type 07E1).\n"
         "WARNING: Failed to access 2DA 'gender': exception 'ReadEncapsulatedFile failed'.\n"},
        {"no table", [](test::MemoryArchive&) {}, "not a table",
         "WARNING: Failed to access 2DA 'gender': exception 'Unrecognized file format on .2DA '{}gender.2da'.'.\n"},
    };
    const std::string dir = m_Manager.GetInstanceDirectory();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_Manager.UnloadAll();
        m_Out.Clear();
        auto archive = std::make_shared<test::MemoryArchive>();
        archive->Add("gender", ResType2da, c.bytes);
        c.fault(*archive);
        m_Manager.AttachArchive(ResourceManager::TierArchive, archive);
        m_Manager.BuildResourceIndex();
        const TwoDAFileReader* read = m_Manager.Get2DA("gender");
        EXPECT_EQ(read != nullptr, c.warnings.empty());
        std::string warnings = c.warnings;
        if (const std::size_t at = warnings.find("{}"); at != std::string::npos)
            warnings.replace(at, 2, dir);
        EXPECT_EQ(m_Out.Text(), warnings);
        EXPECT_TRUE(archive->OpenHandles().empty());
        EXPECT_TRUE(std::filesystem::is_empty(dir));
    }
}

TEST_F(ResourceManagerTablesTest, MissingTableIsReportedOnceThenAnsweredSilently)
{
    m_Manager.BuildResourceIndex();
    std::string value = "untouched";
    EXPECT_FALSE(m_Manager.Get2DAString(value, "gender", "GENDER", 3));
    EXPECT_EQ(m_Out.Text(), "WARNING: Failed to access 2DA 'gender' ('GENDER'/3): exception 'Failed to locate "
                            "RESREF 'gender''.\n");
    EXPECT_EQ(value, "untouched");
    m_Out.Clear();
    EXPECT_FALSE(m_Manager.Get2DAString(value, "gender", "OTHER", 0));
    EXPECT_EQ(m_Manager.Get2DA("gender"), nullptr);
    EXPECT_TRUE(m_Out.Writes().empty());

    EXPECT_EQ(m_Manager.Get2DA("appearance"), nullptr);
    EXPECT_EQ(m_Out.Text(),
              "WARNING: Failed to access 2DA 'appearance': exception 'Failed to locate RESREF 'appearance''.\n");
    m_Out.Clear();
    EXPECT_FALSE(m_Manager.Get2DAString(value, "appearance", "LABEL", 0));
    EXPECT_TRUE(m_Out.Writes().empty());

    // A new load reads every table again.
    m_Manager.UnloadAll();
    m_Manager.BuildResourceIndex();
    EXPECT_EQ(m_Manager.Get2DA("gender"), nullptr);
    EXPECT_EQ(m_Out.Writes().size(), 1u);
}

// A table larger than a table may be is refused before anything of it is copied or read: packed
// (a few kB of spaces that unpack past the limit) or loose (a sparse file), with the source, the
// entry and the size in the one warning. The other tables of the same archive still read.
TEST(ResourceManagerOversizedTableTest, IsRefusedUnreadWithItsSourceAndSize)
{
    test::ScopedTmpdirOverride tmp;
    const std::uint64_t size = kMaxTableSize + 1;
    const std::string zip = tmp / "game/bomb.zip";
    test::WriteZip(zip, {{"2DA/appearance.2da", "2DA V2.0\n" + std::string(size - 9, ' ')},
                         {"2DA/gender.2da", "2DA V2.0\n\n GENDER\n0 m\n"}});
    test::WriteFile(tmp / "game/override/baseitems.2da", "");
    test::RecordingTextOut out;
    ResourceManager manager(&out);
    manager.AttachArchive(ResourceManager::TierZip, std::make_shared<ZipFileReader<NWN::ResRef32>>(zip));
    manager.AttachDirectory(std::make_shared<DirectoryFileReader<NWN::ResRef32>>(tmp / "game/override"));
    manager.BuildResourceIndex();

    EXPECT_EQ(manager.Get2DA("appearance"), nullptr);
    // Named by the container's path only where the load named it: a source attached directly has none.
    const std::string limit = std::to_string(kMaxTableSize);
    EXPECT_EQ(out.Text(), "WARNING: Failed to access 2DA 'appearance': exception 'Table 'appearance.2da' in '?' "
                          "unpacks to " + std::to_string(size) + " bytes, more than the " + limit +
                              " a table may hold.'.\n");
    out.Clear();
    ASSERT_NE(manager.Get2DA("gender"), nullptr);
    EXPECT_TRUE(out.Writes().empty()) << out.Text();

    std::filesystem::resize_file(tmp / "game/override/baseitems.2da", size);
    std::string value;
    EXPECT_FALSE(manager.Get2DAString(value, "baseitems", "ItemClass", 0));
    EXPECT_EQ(out.Text().rfind("WARNING: Failed to access 2DA 'baseitems' ('ItemClass'/0): exception 'Table '", 0), 0u)
        << out.Text();
    EXPECT_NE(out.Text().find("baseitems.2da' holds " + std::to_string(size) + " bytes, more than the " + limit +
                              " a table may hold.'.\n"),
              std::string::npos)
        << out.Text();
    // Nothing was copied into the instance directory.
    EXPECT_TRUE(std::filesystem::is_empty(manager.GetInstanceDirectory()));
}

// An archive that runs out of memory as its bytes are read.
class ExhaustedArchive : public test::MemoryArchive {
public:
    bool ReadEncapsulatedFile(FileHandle, std::uint32_t, std::uint32_t, std::uint32_t&, void*) override
    {
        throw std::bad_alloc();
    }
};

// Running out of memory is not the table's fault: it ends the run (no warning, no table cached as
// missing) with what failed and the reason, and leaves no copy behind; through either access.
TEST(ResourceManagerMachineFailureTest, OutOfMemoryEndsTheRunWithItsReason)
{
    test::ScopedTmpdirOverride tmp;
    test::RecordingTextOut out;
    ResourceManager manager(&out);
    auto archive = std::make_shared<ExhaustedArchive>();
    archive->Add("gender", ResType2da, "2DA V2.0\n");
    manager.AttachArchive(ResourceManager::TierArchive, archive);
    manager.BuildResourceIndex();
    const std::string text = "Out of memory copying 'gender': Cannot allocate memory";
    test::ExpectThrowText<platform::SystemFailure>([&] { manager.Get2DA("gender"); }, text);
    std::string value;
    test::ExpectThrowText<platform::SystemFailure>([&] { manager.Get2DAString(value, "gender", "G", 0); }, text);
    EXPECT_EQ(out.Text(), "");
    EXPECT_TRUE(std::filesystem::is_empty(manager.GetInstanceDirectory()));
}

constexpr const char* kGender = "2DA V2.0\n"
                                "\n"
                                "   GENDER NAME\n"
                                "0  m      Male\n"
                                "1  ****   Nobody\n"
                                "2  *      Star\n"
                                "3  f      Female\n";

TEST_F(ResourceManagerTablesTest, TablesAreParsedOnceAndCellsFollowTheReadersRules)
{
    m_Archive->Add("gender", ResType2da, kGender);
    m_Manager.BuildResourceIndex();

    TwoDAFileReader* reader = m_Manager.Get2DA("gender");
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->GetRowCount(), 4u);
    const auto reads = m_Archive->Reads().size();
    EXPECT_EQ(m_Manager.Get2DA("gender"), reader);
    EXPECT_EQ(m_Archive->Reads().size(), reads);
    // The copy lived only for the parse.
    EXPECT_TRUE(std::filesystem::is_empty(m_Manager.GetInstanceDirectory()));

    std::string value = "untouched";
    EXPECT_FALSE(m_Manager.Get2DAString(value, "gender", "GENDER", 4));
    EXPECT_EQ(value, "untouched");
    EXPECT_FALSE(m_Manager.Get2DAString(value, "gender", "GENDER", 1));
    EXPECT_EQ(value, "****");
    EXPECT_TRUE(m_Manager.Get2DAString(value, "gender", "NAME", 3));
    EXPECT_EQ(value, "Female");
    EXPECT_TRUE(m_Out.Writes().empty());

    EXPECT_FALSE(m_Manager.Get2DAString(value, "gender", "Gender", 0));
    EXPECT_EQ(m_Out.Text(), "WARNING: Failed to retrieve 2DA value 'Gender'/0 from 'gender': exception 'Illegal 2DA "
                            "column reference: 'Gender'.'.\n");
}

TEST_F(ResourceManagerTablesTest, ColumnMissingOnFirstRequestKeepsTheTableUsable)
{
    m_Archive->Add("gender", ResType2da, kGender);
    m_Manager.BuildResourceIndex();

    std::string value;
    EXPECT_FALSE(m_Manager.Get2DAString(value, "gender", "GENDR", 2));
    EXPECT_EQ(m_Out.Text(), "WARNING: Failed to access 2DA 'gender' ('GENDR'/2): exception 'Illegal 2DA column "
                            "reference: 'GENDR'.'.\n");
    EXPECT_TRUE(m_Manager.Get2DAString(value, "gender", "GENDER", 0));
    EXPECT_EQ(value, "m");
    EXPECT_NE(m_Manager.Get2DA("gender"), nullptr);
}

// The whole column at once gives what Get2DAString gives row by row, with the same warnings: for a
// column with values and "****" cells, a column the table lacks and a table the game lacks.
TEST_F(ResourceManagerTablesTest, AColumnAtOnceAgreesWithItsCellsOneByOne)
{
    m_Archive->Add("gender", ResType2da, kGender);
    m_Manager.BuildResourceIndex();
    for (const auto& [table, column] : std::vector<std::pair<std::string, std::string>>{
             {"gender", "GENDER"}, {"gender", "NAME"}, {"gender", "Gender"}, {"nosuch", "GENDER"}}) {
        SCOPED_TRACE(table + "/" + column);
        // Loaded once beforehand, so both ways find the table in the cache.
        m_Manager.Get2DA(table);
        m_Out.Clear();
        std::vector<std::pair<std::string, std::uint32_t>> oneByOne;
        std::string value;
        for (std::uint32_t row = 0; row < 6; ++row)
            if (m_Manager.Get2DAString(value, table, column, row))
                oneByOne.emplace_back(value, row);
        const std::string warnedOneByOne = m_Out.Text();
        m_Out.Clear();
        std::vector<std::pair<std::string, std::uint32_t>> atOnce;
        m_Manager.ForEach2DAString(table, column,
                                   [&](std::string_view cell, std::uint32_t row) { atOnce.emplace_back(cell, row); });
        EXPECT_EQ(atOnce, oneByOne);
        // Rows 4 and 5 lie past the table's end and warn of nothing.
        EXPECT_EQ(m_Out.Text(), warnedOneByOne);
    }
}

TEST_F(ResourceManagerTablesTest, ExtractionReadsTheFourTablesThroughTheManager)
{
    m_Archive->Add("gender", ResType2da, kGender)
        .Add("appearance", ResType2da, "2DA V2.0\n\nLABEL NWN2_Model_Helm\n0 Human P_HHM\n1 Odd ****\n")
        .Add("baseitems", ResType2da, "2DA V2.0\n\nItemClass\n0 w_sword\n1 *\n");
    m_Manager.BuildResourceIndex();

    LookupTables lists;
    ExtractGameTables(m_Manager, lists);
    const auto& genders = lists.Genders();
    const auto& races = lists.Races();
    const auto& prefixes = lists.ArmorVisualTypes();
    const auto& itemClasses = lists.ItemClasses();

    EXPECT_EQ(genders, (std::vector<std::string> {"M", "F"}));
    EXPECT_EQ(races, (std::vector<std::string> {"P_HH", "P_HA", "P_AA", "P_GY"}));
    EXPECT_TRUE(prefixes.empty());
    EXPECT_EQ(itemClasses.front(), "W_SWORD");
    EXPECT_EQ(itemClasses.size(), 7u);
    // The one missing table is reported once.
    EXPECT_EQ(m_Out.Text(), "WARNING: Failed to access 2DA 'armorvisualdata': exception 'Failed to locate RESREF "
                            "'armorvisualdata''.\n");
}

} // namespace
} // namespace brindle
