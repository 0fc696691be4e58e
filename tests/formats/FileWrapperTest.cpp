// The file wrapper over files and over bytes in memory: labelled and reported failures, the seek
// rules that differ between plain and mapped reads (bytes follow the rules of the file they stand
// for), the 64-character message buffer, and a mapped file cut short under its view.
#include "formats/FileWrapper.h"
#include "resources/PlainException.h"
#include "tests/support/FileCut.h"
#include "tests/support/ScopedTempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace brindle {
namespace {

using platform::OsFile;

std::string Bytes(std::size_t count)
{
    std::string bytes;
    for (std::size_t i = 0; i < count; ++i)
        bytes += static_cast<char>(i);
    return bytes;
}

std::string RuntimeErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "<no runtime_error>";
}

// Where the wrapper reads from: the file, or its bytes copied into memory, read plainly or as mapped.
enum class Mode { Plain, Mapped, Bytes, BytesAsMapped };

// An open file bound to a wrapper, in the mode the test asks for.
class BoundFile {
public:
    BoundFile(const std::string& path, Mode mode)
        : m_File(platform::OpenForReading(path, platform::ShareMode::Read, platform::AccessHint::Normal))
    {
        EXPECT_TRUE(m_File);
        const bool map = mode == Mode::Mapped || mode == Mode::BytesAsMapped;
        if (mode == Mode::Plain || mode == Mode::Mapped) {
            wrapper.SetFileHandle(m_File.Get(), map);
            return;
        }
        m_Bytes = test::ReadFile(path);
        wrapper.SetBytes({reinterpret_cast<const unsigned char*>(m_Bytes.data()), m_Bytes.size()}, map);
    }
    OsFile File() const { return m_File.Get(); }

private:
    platform::OwnedFile m_File; // declared first: the wrapper goes before the file
    std::string m_Bytes;

public:
    FileWrapper wrapper;
};

class FileWrapperModes : public ::testing::TestWithParam<Mode> {
protected:
    FileWrapperModes() { test::WriteFile(m_Dir / "data", Bytes(100)); }
    std::string Path() const { return m_Dir / "data"; }
    Mode GetMode() const { return GetParam(); }
    /// True when reads follow the rules of a mapped view.
    bool Mapped() const { return GetParam() == Mode::Mapped || GetParam() == Mode::BytesAsMapped; }

    test::ScopedTempDir m_Dir;
};

TEST_P(FileWrapperModes, ReadsAtOffsetsUpToTheEnd)
{
    BoundFile file(Path(), GetMode());
    EXPECT_EQ(file.wrapper.IsMapped(), GetMode() == Mode::Mapped);
    EXPECT_EQ(file.wrapper.GetSize(), 100u);

    unsigned char four[4] = {};
    file.wrapper.ReadFile(four, 4, "Header");
    EXPECT_EQ(four[3], 3);
    EXPECT_EQ(file.wrapper.GetOffset(), 4u);
    file.wrapper.SeekOffset(96, "Key");
    file.wrapper.ReadFile(four, 4, "Key");
    EXPECT_EQ(four[0], 96);
    EXPECT_EQ(four[3], 99);
    EXPECT_EQ(file.wrapper.GetOffset(), 100u);
    // Reading nothing succeeds anywhere and does not move.
    file.wrapper.ReadFile(four, 0, "Nothing");
    EXPECT_EQ(file.wrapper.GetOffset(), 100u);
    // One byte more fails and leaves the position where it was.
    EXPECT_EQ(RuntimeErrorOf([&] { file.wrapper.ReadFile(four, 1, "File Contents"); }),
              "ReadFile( File Contents ) failed.");
    EXPECT_EQ(file.wrapper.GetOffset(), 100u);
}

TEST_P(FileWrapperModes, SeekingToTheEnd)
{
    BoundFile file(Path(), GetMode());
    file.wrapper.SeekOffset(99, "&m_Header");
    unsigned char byte = 0;
    file.wrapper.ReadFile(&byte, 1, "&m_Header");
    EXPECT_EQ(byte, 99);
    if (Mapped()) {
        // A view refuses a seek to its end or beyond, although a read may end there.
        for (std::uint64_t target : {100ull, 1000ull, ~0ull})
            EXPECT_EQ(RuntimeErrorOf([&] { file.wrapper.SeekOffset(target, "Key"); }), "SeekOffset( Key ) failed.");
        EXPECT_EQ(file.wrapper.GetOffset(), 100u);
    } else {
        // The system allows positions past the end; the next read then fails.
        file.wrapper.SeekOffset(100, "Key");
        file.wrapper.SeekOffset(1000, "Key");
        EXPECT_EQ(file.wrapper.GetOffset(), 1000u);
        EXPECT_EQ(RuntimeErrorOf([&] { file.wrapper.ReadFile(&byte, 1, "Key"); }), "ReadFile( Key ) failed.");
    }
}

TEST_P(FileWrapperModes, ReadRunningPastTheEndFails)
{
    BoundFile file(Path(), GetMode());
    file.wrapper.SeekOffset(50, "Entry");
    std::string buffer(60, '\0');
    EXPECT_EQ(RuntimeErrorOf([&] { file.wrapper.ReadFile(buffer.data(), 60, "Entry"); }), "ReadFile( Entry ) failed.");
    if (Mapped()) {
        EXPECT_EQ(file.wrapper.GetOffset(), 50u);
    }
}

TEST_P(FileWrapperModes, LongLabelsAreCutTo63Characters)
{
    BoundFile file(Path(), GetMode());
    // Message, label length, what the caller sees: 63 characters at most.
    const auto failedRead = [&](const std::string& label) {
        return RuntimeErrorOf([&] {
            file.wrapper.SeekOffset(99, "x");
            unsigned char two[2];
            file.wrapper.ReadFile(two, 2, label.c_str());
        });
    };
    const auto failedSeek = [&](const std::string& label) {
        // Beyond any file position the system allows, so plain mode fails as well.
        return RuntimeErrorOf([&] { file.wrapper.SeekOffset(~0ull, label.c_str()); });
    };
    const std::string label70(70, 'L');
    EXPECT_EQ(failedRead(label70), "ReadFile( " + label70.substr(0, 53));
    EXPECT_EQ(failedSeek(label70), "SeekOffset( " + label70.substr(0, 51));
    // The longest labels that still fit whole.
    EXPECT_EQ(failedRead(std::string(43, 'R')), "ReadFile( " + std::string(43, 'R') + " ) failed.");
    EXPECT_EQ(failedSeek(std::string(41, 'S')), "SeekOffset( " + std::string(41, 'S') + " ) failed.");
    EXPECT_EQ(failedRead(std::string(44, 'R')), "ReadFile( " + std::string(44, 'R') + " ) failed");
}

TEST_P(FileWrapperModes, RebindingToTheInvalidHandle)
{
    BoundFile file(Path(), GetMode());
    file.wrapper.SetFileHandle(platform::InvalidOsFile, Mapped());
    EXPECT_FALSE(file.wrapper.IsMapped());
    EXPECT_EQ(RuntimeErrorOf([&] { file.wrapper.GetSize(); }), "GetFileSize failed");
    EXPECT_EQ(RuntimeErrorOf([&] { file.wrapper.GetOffset(); }), "SetFilePointerEx failed");
    unsigned char byte;
    EXPECT_EQ(RuntimeErrorOf([&] { file.wrapper.ReadFile(&byte, 1, "Header"); }), "ReadFile( Header ) failed.");
    // Binding again works as before.
    file.wrapper.SetFileHandle(file.File(), Mapped());
    EXPECT_EQ(file.wrapper.GetSize(), 100u);
}

// The Try forms fail where the throwing ones throw, and move the position as they do.
TEST_P(FileWrapperModes, TryFormsReportWhatTheThrowingFormsRaise)
{
    BoundFile file(Path(), GetMode());
    unsigned char buffer[8] = {};
    EXPECT_TRUE(file.wrapper.TrySeek(92));
    EXPECT_TRUE(file.wrapper.TryRead(buffer, 8));
    EXPECT_EQ(buffer[7], 99);
    EXPECT_TRUE(file.wrapper.TryRead(buffer, 0));
    EXPECT_FALSE(file.wrapper.TryRead(buffer, 1));
    EXPECT_EQ(file.wrapper.TrySeek(100), !Mapped());
    EXPECT_FALSE(file.wrapper.TrySeek(~0ull));
    // A read running past the end: a view reads nothing, a file what there is.
    ASSERT_TRUE(file.wrapper.TrySeek(96));
    EXPECT_FALSE(file.wrapper.TryRead(buffer, 8));
    EXPECT_EQ(file.wrapper.GetOffset(), Mapped() ? 96u : 100u);
    EXPECT_EQ(buffer[0], Mapped() ? 92 : 96);
}

std::string ModeName(const ::testing::TestParamInfo<Mode>& info)
{
    const char* const names[] = {"Plain", "Mapped", "Bytes", "BytesAsMapped"};
    return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(FilesAndBytes, FileWrapperModes,
                         ::testing::Values(Mode::Plain, Mode::Mapped, Mode::Bytes, Mode::BytesAsMapped), ModeName);

TEST(FileWrapperTest, EmptyFileStaysPlain)
{
    test::ScopedTempDir dir;
    test::WriteFile(dir / "empty", "");
    // No bytes read as mapped are read as the empty file is: it cannot be mapped.
    for (const Mode mode : {Mode::Mapped, Mode::BytesAsMapped}) {
        BoundFile file(dir / "empty", mode);
        EXPECT_FALSE(file.wrapper.IsMapped());
        EXPECT_EQ(file.wrapper.GetSize(), 0u);
        unsigned char byte;
        file.wrapper.SeekOffset(0, "GFFHeader");
        file.wrapper.ReadFile(&byte, 0, "Header");
        EXPECT_EQ(RuntimeErrorOf([&] { file.wrapper.ReadFile(&byte, 1, "Header"); }), "ReadFile( Header ) failed.");
    }
}

TEST(FileWrapperTest, ViewStartsAtTheHandlesPosition)
{
    test::ScopedTempDir dir;
    test::WriteFile(dir / "data", Bytes(100));
    const platform::OwnedFile handle(
        platform::OpenForReading(dir / "data", platform::ShareMode::Read, platform::AccessHint::Normal));
    ASSERT_TRUE(platform::SeekOsFile(handle.Get(), 10));
    FileWrapper plain(handle.Get());
    EXPECT_EQ(plain.GetOffset(), 10u);
    FileWrapper mapped;
    mapped.SetFileHandle(handle.Get(), true);
    ASSERT_TRUE(mapped.IsMapped());
    unsigned char byte = 0;
    mapped.ReadFile(&byte, 1, "Header");
    EXPECT_EQ(byte, 10);
}

TEST(FileWrapperTest, FileCutShortUnderTheViewIsAnInPageError)
{
    const std::size_t size = 64 * 1024;
    test::ScopedTempDir dir;
    test::WriteFile(dir / "data", Bytes(size));
    BoundFile file(dir / "data", Mode::Mapped);
    ASSERT_TRUE(file.wrapper.IsMapped());

    std::string buffer(4096, '\0');
    file.wrapper.ReadFile(buffer.data(), 4096, "Header");
    // Another writer cuts the file to nothing: the view's pages have no backing any more.
    if (!test::CanCutMappedFiles())
        GTEST_SKIP() << "this system refuses to cut a mapped file short";
    ASSERT_TRUE(test::CutFileShort(dir / "data"));

    for (std::uint64_t at : {std::uint64_t{0}, std::uint64_t{8192}, std::uint64_t{size - 4096}}) {
        file.wrapper.SeekOffset(at, "Entry");
        EXPECT_EQ(RuntimeErrorOf([&] { file.wrapper.ReadFile(buffer.data(), 4096, "Entry"); }),
                  "In-page I/O error accessing file");
        file.wrapper.SeekOffset(at, "Entry");
        EXPECT_FALSE(file.wrapper.TryRead(buffer.data(), 4096));
    }
    // The view keeps the size it was mapped with; its own bounds checks still apply.
    EXPECT_EQ(file.wrapper.GetSize(), size);
    EXPECT_EQ(RuntimeErrorOf([&] { file.wrapper.SeekOffset(size, "Entry"); }), "SeekOffset( Entry ) failed.");
}

TEST(FileWrapperTest, OpeningSequenceTexts)
{
    test::ScopedTempDir dir;
    test::WriteFile(dir / "data", Bytes(100));
    test::MakeDirectories(dir / "folder");
    const ReaderOpenOptions options{platform::ShareMode::ReadDelete, platform::ShareMode::Read,
                                    platform::AccessHint::RandomAccess, true, "Failed to open GFF file."};
    for (const std::string& bad : {dir / "missing", dir / "folder"}) {
        FileWrapper wrapper;
        std::uint32_t size = 0;
        try {
            OpenReaderFile(bad, options, wrapper, size);
            ADD_FAILURE() << bad;
        } catch (const std::runtime_error&) {
            ADD_FAILURE() << "a runtime error, not the plain exception";
        } catch (const PlainException& e) {
            EXPECT_STREQ(e.what(), "Failed to open GFF file.");
        }
    }
    FileWrapper wrapper;
    std::uint32_t size = 0;
    platform::OwnedFile file = OpenReaderFile(dir / "data", options, wrapper, size);
    EXPECT_EQ(size, 100u);
    EXPECT_TRUE(wrapper.IsMapped());
    // The caller owns the file: it stays open until its owner goes.
    std::uint64_t fileSize = 0;
    EXPECT_TRUE(platform::SizeOsFile(file.Get(), fileSize));
    wrapper.SetFileHandle(platform::InvalidOsFile, false);
    EXPECT_FALSE(wrapper.IsMapped());
    EXPECT_TRUE(file.Close());
    EXPECT_FALSE(file);
}

} // namespace
} // namespace brindle
