// The accessor contract that the directory, ERF and ZIP containers share, run against each of them.
#include "containers/DirectoryFileReader.h"
#include "containers/ErfFileReader.h"
#include "containers/ZipFileReader.h"
#include "resources/ResourceNames.h"
#include "resources/ResourceTypes.h"
#include "tests/support/ErfWriter.h"
#include "tests/support/ScopedTempDir.h"
#include "tests/support/ZipWriter.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace brindle {
namespace {

using Accessor = IResourceAccessor<NWN::ResRef32>;

struct Resource {
    std::string name;
    NWN::ResType type;
    std::string data;
};

enum class Kind { Directory, Erf, Zip };

std::string Pattern(std::size_t size)
{
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return s;
}

// Resources in listing order for every kind (the directory container sorts by name).
const std::vector<Resource>& Resources()
{
    static const std::vector<Resource> resources = {
        {"a_empty", ResType2da, ""},
        {"b_exact", ResType2da, Pattern(4096)},
        {"c_plus1", ResTypeMdb, Pattern(4097)},
        {"d_small", ResTypeIfo, "ten bytes!"},
    };
    return resources;
}

std::unique_ptr<Accessor> Build(Kind kind, const test::ScopedTempDir& dir)
{
    switch (kind) {
    case Kind::Directory:
        for (const Resource& r : Resources())
            test::WriteFile(dir / ("root/" + r.name + "." + ResTypeToExt(r.type)), r.data);
        return std::make_unique<DirectoryFileReader<NWN::ResRef32>>(dir / "root");
    case Kind::Erf: {
        std::vector<test::ErfEntry> entries;
        for (const Resource& r : Resources())
            entries.push_back({r.name, r.type, r.data});
        test::WriteFile(dir / "test.hak", test::BuildErf(entries));
        return std::make_unique<ErfFileReader<NWN::ResRef32>>(dir / "test.hak");
    }
    case Kind::Zip: {
        std::vector<test::ZipEntry> entries;
        for (const Resource& r : Resources())
            entries.push_back({"Folder/" + r.name + "." + ResTypeToExt(r.type), r.data});
        test::WriteZip(dir / "test.zip", entries);
        return std::make_unique<ZipFileReader<NWN::ResRef32>>(dir / "test.zip");
    }
    }
    return nullptr;
}

// Copies a resource out the way the resource manager does: chunks of at most 4096 bytes, each
// read at the count delivered so far, then a close.
bool Extract(Accessor& accessor, FileIndex index, std::string& out, std::vector<std::uint32_t>& chunks)
{
    const FileHandle handle = accessor.OpenFileByIndex(index);
    if (handle == 0)
        return false;
    std::uint32_t remaining = accessor.GetEncapsulatedFileSize(handle);
    bool ok = true;
    char buffer[4096];
    while (remaining > 0 && ok) {
        std::uint32_t read = 0;
        const std::uint32_t want = std::min<std::uint32_t>(remaining, sizeof(buffer));
        ok = accessor.ReadEncapsulatedFile(handle, static_cast<std::uint32_t>(out.size()), want, read, buffer) &&
             read > 0 && read <= want;
        if (ok) {
            out.append(buffer, read);
            chunks.push_back(read);
            remaining -= read;
        }
    }
    return accessor.CloseFile(handle) && ok;
}

class AccessorContractTest : public ::testing::TestWithParam<Kind> {
protected:
    void SetUp() override { m_Accessor = Build(GetParam(), m_Dir); }

    /// A read at the end of a resource: archives refuse it; the directory container reads at the
    /// file position, where the end is a success with nothing delivered.
    void ExpectReadAtEndRefusedByArchives(FileHandle handle, std::uint32_t offset)
    {
        char buffer[16];
        std::uint32_t read = 5;
        const bool ok = m_Accessor->ReadEncapsulatedFile(handle, offset, sizeof(buffer), read, buffer);
        if (GetParam() == Kind::Directory) {
            EXPECT_TRUE(ok);
            EXPECT_EQ(read, 0u);
        } else {
            EXPECT_FALSE(ok);
        }
    }

    test::ScopedTempDir m_Dir;
    std::unique_ptr<Accessor> m_Accessor;
};

TEST_P(AccessorContractTest, EnumeratesEveryResourceInOrder)
{
    Accessor& a = *m_Accessor;
    ASSERT_EQ(a.GetEncapsulatedFileCount(), Resources().size());
    for (std::size_t i = 0; i < Resources().size(); ++i) {
        NWN::ResRef32 name{};
        NWN::ResType type = 0;
        ASSERT_TRUE(a.GetEncapsulatedFileEntry(i, name, type));
        EXPECT_EQ(name, ToResRef32(Resources()[i].name)) << i;
        EXPECT_EQ(type, Resources()[i].type) << i;
    }
}

TEST_P(AccessorContractTest, OutOfRangeIndexesLeaveOutputsUntouched)
{
    Accessor& a = *m_Accessor;
    const FileIndex count = a.GetEncapsulatedFileCount();
    for (const FileIndex index : {count, count + 1, FileIndex{0xFFFFFFFFFFFFFFFFull}}) {
        NWN::ResRef32 name = ToResRef32("untouched");
        NWN::ResType type = 1234;
        EXPECT_FALSE(a.GetEncapsulatedFileEntry(index, name, type));
        EXPECT_EQ(name, ToResRef32("untouched"));
        EXPECT_EQ(type, 1234);
        EXPECT_EQ(a.OpenFileByIndex(index), 0u);
    }
}

TEST_P(AccessorContractTest, HandleZeroIsRefused)
{
    Accessor& a = *m_Accessor;
    std::uint32_t read = 77;
    char buffer[16];
    EXPECT_FALSE(a.CloseFile(0));
    EXPECT_FALSE(a.ReadEncapsulatedFile(0, 0, sizeof(buffer), read, buffer));
    EXPECT_EQ(a.GetEncapsulatedFileType(0), NWN::ResTypeInvalid);
    if (GetParam() == Kind::Directory) {
        // The directory container asks the system, which cannot size a handle that names no file.
        EXPECT_THROW(a.GetEncapsulatedFileSize(0), std::runtime_error);
    } else {
        EXPECT_EQ(a.GetEncapsulatedFileSize(0), 0u);
    }
}

TEST_P(AccessorContractTest, ExtractsInChunksOf4096)
{
    struct Case {
        FileIndex index;
        std::vector<std::uint32_t> chunks;
    };
    const Case cases[] = {{1, {4096}}, {2, {4096, 1}}, {3, {10}}};
    for (const Case& c : cases) {
        std::string data;
        std::vector<std::uint32_t> chunks;
        ASSERT_TRUE(Extract(*m_Accessor, c.index, data, chunks)) << c.index;
        EXPECT_EQ(chunks, c.chunks) << c.index;
        EXPECT_EQ(data, Resources()[c.index].data) << c.index;
    }
}

TEST_P(AccessorContractTest, ZeroLengthResourceOpensWithSizeZero)
{
    Accessor& a = *m_Accessor;
    const FileHandle handle = a.OpenFileByIndex(0);
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(a.GetEncapsulatedFileSize(handle), 0u);
    ExpectReadAtEndRefusedByArchives(handle, 0);
    EXPECT_TRUE(a.CloseFile(handle));
}

TEST_P(AccessorContractTest, ReadingAtTheEndIsNotASuccessInArchives)
{
    Accessor& a = *m_Accessor;
    const FileHandle handle = a.OpenFileByIndex(3);
    ASSERT_NE(handle, 0u);
    char buffer[4096];
    std::uint32_t read = 0;
    ASSERT_TRUE(a.ReadEncapsulatedFile(handle, 0, sizeof(buffer), read, buffer));
    EXPECT_EQ(read, 10u);
    ExpectReadAtEndRefusedByArchives(handle, 10);
    EXPECT_TRUE(a.CloseFile(handle));
}

TEST_P(AccessorContractTest, OpenByNameFindsTheResourceAndItsType)
{
    Accessor& a = *m_Accessor;
    const FileHandle handle = a.OpenFile(ToResRef32("d_small"), ResTypeIfo);
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(a.GetEncapsulatedFileSize(handle), 10u);
    const NWN::ResType expected = GetParam() == Kind::Directory ? NWN::ResTypeInvalid : ResTypeIfo;
    EXPECT_EQ(a.GetEncapsulatedFileType(handle), expected);
    EXPECT_TRUE(a.CloseFile(handle));

    EXPECT_EQ(a.OpenFile(ToResRef32("d_small"), ResTypeMdb), 0u);
    EXPECT_EQ(a.OpenFile(ToResRef32("missing"), ResTypeIfo), 0u);
}

INSTANTIATE_TEST_SUITE_P(Containers, AccessorContractTest, ::testing::Values(Kind::Directory, Kind::Erf, Kind::Zip),
                         [](const ::testing::TestParamInfo<Kind>& info) {
                             switch (info.param) {
                             case Kind::Directory:
                                 return std::string("Directory");
                             case Kind::Erf:
                                 return std::string("Erf");
                             case Kind::Zip:
                                 return std::string("Zip");
                             }
                             return std::string("Unknown");
                         });

} // namespace
} // namespace brindle
