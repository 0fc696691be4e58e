// Demand and release through the manager, the copy loop, the handle scheme and the accessor slots,
// over in-memory containers.
#include "containers/DirectoryFileReader.h"
#include "resources/DemandResource.h"
#include "resources/ResourceManager.h"
#include "resources/ResourceNames.h"
#include "resources/ResourceTypes.h"
#include "tests/support/MemoryArchive.h"
#include "tests/support/RecordingTextOut.h"
#include "tests/support/ScopedTempDir.h"
#include "tests/support/ScopedTmpdirOverride.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace brindle {
namespace {

using test::MemoryArchive;

class ResourceManagerDemandTest : public ::testing::Test {
protected:
    /// Stacks one archive in the ERF tier and indexes it.
    std::shared_ptr<MemoryArchive> Stack(ResourceManager::Tier tier = ResourceManager::TierArchive)
    {
        auto archive = std::make_shared<MemoryArchive>();
        m_Manager.AttachArchive(tier, archive);
        return archive;
    }

    template <typename F>
    std::string ErrorOf(F&& call)
    {
        try {
            call();
        } catch (const std::exception& e) {
            return e.what();
        }
        return "(no error)";
    }

    test::ScopedTmpdirOverride m_Tmp;
    test::RecordingTextOut m_Out;
    ResourceManager m_Manager {&m_Out};
};

TEST_F(ResourceManagerDemandTest, SharedCopyLivesUntilTheLastRelease)
{
    Stack()->Add("gender", ResType2da, "2DA V2.0\n");
    m_Manager.BuildResourceIndex();

    const std::string first = m_Manager.Demand("gender", ResType2da);
    const std::string second = m_Manager.Demand("gender", ResType2da);
    EXPECT_EQ(first, m_Manager.GetInstanceDirectory() + "gender.2da");
    EXPECT_EQ(first, second);
    EXPECT_EQ(test::ReadFile(first), "2DA V2.0\n");

    m_Manager.Release(first);
    EXPECT_TRUE(platform::PathExists(first));
    m_Manager.Release(second);
    EXPECT_FALSE(platform::PathExists(first));
    EXPECT_TRUE(m_Out.Writes().empty());
}

TEST_F(ResourceManagerDemandTest, LooseFilesAreHandedOutAsThemselvesAndNeverDeleted)
{
    test::ScopedTempDir override;
    test::WriteFile(override / "sub/Gender.2DA", "loose");
    m_Manager.AttachDirectory(std::make_shared<DirectoryFileReader<NWN::ResRef32>>(override.Path()));
    auto archive = Stack(ResourceManager::TierZip);
    archive->Add("gender", ResType2da, "zipped");
    m_Manager.BuildResourceIndex();

    const std::string path = m_Manager.Demand("gender", ResType2da);
    EXPECT_EQ(test::ReadFile(path), "loose");
    EXPECT_TRUE(archive->Reads().empty());
    m_Manager.Release(path);
    EXPECT_EQ(test::ReadFile(override / "sub/Gender.2DA"), "loose");
    EXPECT_THROW(m_Manager.Release(path), std::runtime_error);
}

TEST_F(ResourceManagerDemandTest, CopiesInChunksOfAtMost4096Bytes)
{
    struct Case {
        std::size_t size;
        std::vector<std::uint32_t> reads;
    };
    for (const Case& c : {Case {0, {}}, Case {4096, {4096}}, Case {4097, {4096, 1}}, Case {9000, {4096, 4096, 808}}}) {
        SCOPED_TRACE(c.size);
        m_Manager.UnloadAll();
        std::string data(c.size, '\0');
        for (std::size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<char>(i * 7);
        auto archive = Stack();
        archive->Add("blob", ResTypeMdb, data);
        m_Manager.BuildResourceIndex();

        const std::string path = m_Manager.Demand("blob", ResTypeMdb);
        EXPECT_EQ(test::ReadFile(path), data);
        EXPECT_EQ(archive->Reads(), c.reads);
        EXPECT_TRUE(archive->OpenHandles().empty());
        m_Manager.Release(path);
    }
}

TEST_F(ResourceManagerDemandTest, NamesMatchWithoutRegardToCase)
{
    // An ERF keeps names as stored; the game still finds them in any case.
    Stack()->Add("Gender", ResType2da, "x");
    m_Manager.BuildResourceIndex();

    const std::string lower = m_Manager.Demand("gender", ResType2da);
    const std::string upper = m_Manager.Demand("GENDER", ResType2da);
    EXPECT_EQ(lower, upper);
    m_Manager.Release(lower);
    m_Manager.Release(upper);
    EXPECT_FALSE(platform::PathExists(lower));

    NWN::ResRef32 name = ToResRef32("GeNdEr");
    const FileHandle handle = m_Manager.OpenFile(name, ResType2da);
    EXPECT_NE(handle, 0u);
    m_Manager.CloseFile(handle);
}

TEST_F(ResourceManagerDemandTest, RefusedNamesRaiseBeforeAnyLookup)
{
    auto archive = Stack();
    archive->Add("a", ResType2da, "x");
    m_Manager.BuildResourceIndex();

    EXPECT_EQ(ErrorOf([&] { m_Manager.Demand("", ResType2da); }), "Attempted to demand load the null resource.");
    EXPECT_EQ(ErrorOf([&] { m_Manager.Demand("x/y", ResType2da); }), "Resource name has path characters (illegal).");
    EXPECT_EQ(ErrorOf([&] { m_Manager.Demand("missing", ResType2da); }), "Failed to locate RESREF 'missing'");
    EXPECT_EQ(ErrorOf([&] { m_Manager.Demand("a", ResTypeMdb); }), "Failed to locate RESREF 'a'");
    EXPECT_TRUE(m_Out.Writes().empty());
    EXPECT_TRUE(archive->Closed().empty());
}

TEST_F(ResourceManagerDemandTest, FailedExtractionsWarnCloseAndLeaveNoCopy)
{
    struct Case {
        const char* name;
        void (*fault)(MemoryArchive&);
        std::string error;
    };
    const std::string dir = m_Manager.GetInstanceDirectory();
    const Case cases[] = {
        {"cannot open", [](MemoryArchive& a) { a.FailOpen(); }, "Failed to open RESREF 'res'"},
        // A container that reports success without delivering anything must not spin the copy.
        {"read of nothing", [](MemoryArchive& a) { a.DeliverNothingAfter(4096); }, "ReadEncapsulatedFile failed"},
        // The close is where a ZIP entry checks its CRC.
        {"close fails", [](MemoryArchive& a) { a.FailClose(); }, "ReadEncapsulatedFile failed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_Manager.UnloadAll();
        m_Out.Clear();
        auto archive = Stack();
        archive->Add("res", ResTypeMdb, std::string(5000, 'x'));
        c.fault(*archive);
        m_Manager.BuildResourceIndex();

        EXPECT_EQ(ErrorOf([&] { m_Manager.Demand("res", ResTypeMdb); }), c.error);
        EXPECT_EQ(m_Out.Text(), "WARNING: Exception '" + c.error + "' loading resource 'res' (type 0FA0).\n");
        EXPECT_TRUE(archive->OpenHandles().empty());
        EXPECT_FALSE(platform::PathExists(dir + "res.mdb"));
        // Nothing was recorded: the path is unknown to Release.
        EXPECT_THROW(m_Manager.Release(dir + "res.mdb"), std::runtime_error);
    }
}

TEST_F(ResourceManagerDemandTest, ReleaseOfUnknownPaths)
{
    EXPECT_EQ(ErrorOf([&] { m_Manager.Release("/x/noextension"); }), "Illegal resource path '/x/noextension'.");
    EXPECT_TRUE(m_Out.Writes().empty());

    for (const char* path : {"/x/thing.qqq", "/x/gender.2da"}) {
        m_Out.Clear();
        EXPECT_EQ(ErrorOf([&] { m_Manager.Release(path); }), "Attempted to release unknown resource!");
        EXPECT_EQ(m_Out.Text(),
                  std::string("ERROR: ResourceManager::Release: Attempted to release resource '") + path +
                      "' after it was already released (or it was never demanded in the first place).\n"
                      "Check also that a resource extension mapping exists in ExtToResType for this resource "
                      "type.\n");
    }
}

TEST_F(ResourceManagerDemandTest, DemandResourceHoldsForItsLifetimeAndNeverThrowsOnRelease)
{
    Stack()->Add("module", ResTypeIfo, "ifo");
    m_Manager.BuildResourceIndex();
    std::string path;
    {
        DemandResource held(m_Manager, "module", ResTypeIfo);
        path = held.GetPath();
        EXPECT_EQ(test::ReadFile(path), "ifo");
    }
    EXPECT_FALSE(platform::PathExists(path));

    // The manager unloads under a holder: its release then fails, which the destructor swallows.
    auto held = std::make_unique<DemandResource>(m_Manager, "module", ResTypeIfo);
    m_Manager.UnloadAll();
    EXPECT_NO_THROW(held.reset());
    EXPECT_THROW(DemandResource(m_Manager, "module", ResTypeIfo), std::runtime_error);
}

TEST_F(ResourceManagerDemandTest, HandlesAreNumberedFromOneAndCarryTheRequestedType)
{
    auto archive = Stack();
    archive->Add("a", ResType2da, "aaa").Add("b", ResTypeMdb, "bb");
    m_Manager.BuildResourceIndex();

    const FileHandle first = m_Manager.OpenFile(ToResRef32("a"), ResType2da);
    EXPECT_EQ(first, 1u);
    EXPECT_EQ(m_Manager.GetEncapsulatedFileType(first), ResType2da);
    EXPECT_EQ(m_Manager.GetEncapsulatedFileSize(first), 3u);
    char buffer[8] = {};
    std::uint32_t read = 0;
    EXPECT_TRUE(m_Manager.ReadEncapsulatedFile(first, 0, 3, read, buffer));
    EXPECT_EQ(std::string(buffer, read), "aaa");

    const FileHandle second = m_Manager.OpenFileByIndex(0);
    EXPECT_EQ(second, 2u);
    EXPECT_EQ(m_Manager.GetEncapsulatedFileType(second), NWN::ResTypeInvalid);

    EXPECT_TRUE(m_Manager.CloseFile(first));
    EXPECT_EQ(m_Manager.GetEncapsulatedFileType(first), NWN::ResTypeInvalid);
    EXPECT_EQ(m_Manager.GetEncapsulatedFileSize(first), 0u);
    EXPECT_FALSE(m_Manager.ReadEncapsulatedFile(first, 0, 1, read, buffer));
    EXPECT_FALSE(m_Manager.CloseFile(first));
    EXPECT_FALSE(m_Manager.CloseFile(0));
    // Numbers are not reused before the counter wraps.
    EXPECT_EQ(m_Manager.OpenFile(ToResRef32("b"), ResTypeMdb), 3u);

    EXPECT_EQ(m_Manager.OpenFile(ToResRef32("nothing"), ResTypeMdb), 0u);
    EXPECT_EQ(m_Manager.OpenFileByIndex(2), 0u);
    NWN::ResRef32 name {};
    NWN::ResType type = 0;
    EXPECT_EQ(m_Manager.GetEncapsulatedFileCount(), 2u);
    EXPECT_FALSE(m_Manager.GetEncapsulatedFileEntry(2, name, type));
    EXPECT_EQ(m_Manager.GetEntryType(2), NWN::ResTypeInvalid);
    EXPECT_TRUE(m_Manager.GetEncapsulatedFileEntry(1, name, type));
    EXPECT_EQ(m_Manager.GetEntryType(1), type);
    m_Manager.UnloadAll();
    m_Out.Clear();
}

TEST_F(ResourceManagerDemandTest, CombinedIndexKeepsTheFirstSourceItMeets)
{
    // Tier 0 beats tier 2; within a tier the source stacked last wins; within a source the later entry.
    auto zipLow = Stack(ResourceManager::TierZip);
    auto zipHigh = Stack(ResourceManager::TierZip);
    auto erfLow = Stack();
    auto erfHigh = Stack();
    zipLow->Add("z", ResTypeMdb, "zip-low").Add("all", ResTypeMdb, "zip-low");
    zipHigh->Add("z", ResTypeMdb, "zip-high").Add("all", ResTypeMdb, "zip-high");
    erfLow->Add("e", ResTypeMdb, "erf-low").Add("all", ResTypeMdb, "erf-low");
    erfHigh->Add("e", ResTypeMdb, "erf-high-0").Add("e", ResTypeMdb, "erf-high-1");
    m_Manager.BuildResourceIndex();

    auto content = [&](const char* name) {
        const std::string path = m_Manager.Demand(name, ResTypeMdb);
        std::string data = test::ReadFile(path);
        m_Manager.Release(path);
        return data;
    };
    EXPECT_EQ(content("z"), "zip-high");
    EXPECT_EQ(content("e"), "erf-high-1");
    EXPECT_EQ(content("all"), "erf-low");
    EXPECT_EQ(m_Manager.GetEncapsulatedFileCount(), 3u);
}

} // namespace
} // namespace brindle
