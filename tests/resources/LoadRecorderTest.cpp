// The load recorder on its own, fed as the manager feeds it, and how the manager hands it out.
#include "resources/LoadRecorder.h"
#include "resources/ResourceNames.h"
#include "resources/ResourceTypes.h"
#include "tests/support/MemoryArchive.h"
#include "tests/support/ScopedTmpdirOverride.h"

#include <gtest/gtest.h>

#include <memory>

namespace brindle {
namespace {

ResourceIndex::Candidate Entry(const char* name, NWN::ResType type)
{
    return {type, ToResRef32(name)};
}

TEST(LoadRecorderTest, CountsEntriesAndNotesCopiesOtherSourcesBeat)
{
    test::MemoryArchive hak;
    test::MemoryArchive module;
    hak.Add("gender", ResType2da, "h");
    LoadRecorder recorder;
    recorder.NoteAttached(ResourceManager::TierArchive, &module);
    recorder.NameLastSource("module", "m.mod");
    recorder.NoteAttached(ResourceManager::TierArchive, &hak);
    recorder.NameLastSource("HAK", "h.hak");
    LoadRecorder::Stack stack;
    stack[ResourceManager::TierArchive] = {&module, &hak};
    recorder.OrderSources(stack);
    ASSERT_EQ(recorder.SourceOf(ResourceManager::TierArchive, 1), 0u); // the HAK, stacked last
    ASSERT_EQ(recorder.SourceOf(ResourceManager::TierArchive, 2), 1u);

    const bool hakAdded[] = {true};
    const ResourceIndex::Candidate hakEntries[] = {Entry("gender", ResType2da)};
    const auto filed = [](NWN::ResType, const std::string& name) {
        return name == "gender" || name == "a" ? 0u : name == "twice" ? 1u : LoadRecord::npos;
    };
    recorder.NoteEntries(ResourceManager::TierArchive, 1, hakEntries, hakAdded, filed);
    // A model beaten by the HAK, one the module holds twice, one the index could not file,
    // and the module's own copies of a table, one source holding one copy.
    const bool added[] = {false, true, false, false, false, true};
    const ResourceIndex::Candidate entries[] = {Entry("a", ResTypeMdb),      Entry("twice", ResTypeMdb),
                                                Entry("twice", ResTypeMdb),  Entry("bad", ResTypeMdb),
                                                Entry("GENDER", ResType2da), Entry("Gender", ResType2da)};
    recorder.NoteEntries(ResourceManager::TierArchive, 2, entries, added, filed);
    // Positions that name no stacked source note nothing.
    recorder.NoteEntries(ResourceManager::TierArchive, 0, entries, added, filed);
    recorder.NoteEntries(ResourceManager::TierZip, 1, entries, added, filed);
    recorder.NoteTableFailure("gender", "broken");

    const LoadRecord& record = recorder.Record();
    ASSERT_EQ(record.sources.size(), 2u);
    EXPECT_EQ(record.sources[0].path, "h.hak");
    EXPECT_EQ(record.sources[0].entries, 1u);
    EXPECT_EQ(record.sources[1].models, 4u);
    ASSERT_EQ(record.beaten.size(), 2u);
    EXPECT_EQ(record.beaten[0].name, "a");
    EXPECT_EQ(record.beaten[1].name, "gender");
    EXPECT_EQ(record.beaten[1].winner, 0u);
    EXPECT_EQ(record.beaten[1].beaten, 1u);
    EXPECT_EQ(record.tableCopies.at("gender"), (std::vector<std::uint32_t>{0, 1}));
    EXPECT_EQ(record.tableFailures.at("gender"), "broken");

    recorder.Clear();
    EXPECT_TRUE(recorder.Record().sources.empty());
    EXPECT_EQ(recorder.SourceOf(ResourceManager::TierArchive, 1), LoadRecord::npos);
}

TEST(LoadRecorderTest, ManagerKeepsARecordOnlyFromTheLoadAfterItIsAskedFor)
{
    const test::ScopedTmpdirOverride tmp;
    ResourceManager manager(nullptr);
    const auto build = [&] {
        auto archive = std::make_shared<test::MemoryArchive>();
        archive->Add("a", ResTypeMdb, "1");
        manager.UnloadAll();
        manager.AttachArchive(ResourceManager::TierArchive, archive);
        manager.BuildResourceIndex();
    };
    build();
    manager.KeepLoadRecord();
    EXPECT_TRUE(manager.GetLoadRecord().sources.empty());
    EXPECT_EQ(manager.GetEntrySource(0), LoadRecord::npos);
    build();
    manager.KeepLoadRecord(); // asking again keeps what was recorded
    EXPECT_EQ(manager.GetLoadRecord().sources.size(), 1u);
    EXPECT_EQ(manager.GetEntrySource(0), 0u);
    EXPECT_EQ(manager.GetEntrySource(1), LoadRecord::npos);
}

} // namespace
} // namespace brindle
