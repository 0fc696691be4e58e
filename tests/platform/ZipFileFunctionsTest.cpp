// The file functions behind the ZIP container: positions after reads and seeks in every
// direction (within the window of recent bytes, read through, or by a real seek) and failures.
#include "platform/ZipFileFunctions.h"
#include "tests/support/ScopedTempDir.h"

#include <gtest/gtest.h>

namespace brindle::platform {
namespace {

class ZipFileFunctionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_Data.resize(10000);
        for (std::size_t i = 0; i < m_Data.size(); ++i)
            m_Data[i] = static_cast<char>((i * 13) ^ (i >> 8));
        test::WriteFile(m_Dir / "data.bin", m_Data);
        FillZipFileFunctions(m_Table);
        m_Stream = m_Table.zopen64_file(nullptr, (m_Dir / "data.bin").c_str(), ZLIB_FILEFUNC_MODE_READ);
        ASSERT_NE(m_Stream, nullptr);
    }
    void TearDown() override
    {
        if (m_Stream != nullptr) {
            EXPECT_EQ(m_Table.zclose_file(nullptr, m_Stream), 0);
        }
    }

    // Reads count bytes and checks them and the position against the file.
    void ExpectRead(std::uint64_t at, std::size_t count)
    {
        ASSERT_EQ(m_Table.ztell64_file(nullptr, m_Stream), at);
        std::string buffer(count, '\0');
        const std::size_t expected = std::min(count, m_Data.size() - static_cast<std::size_t>(at));
        ASSERT_EQ(m_Table.zread_file(nullptr, m_Stream, buffer.data(), count), expected) << at;
        EXPECT_EQ(buffer.substr(0, expected), m_Data.substr(at, expected)) << at;
        EXPECT_EQ(m_Table.ztell64_file(nullptr, m_Stream), at + expected);
    }

    long Seek(std::uint64_t offset, int origin) { return m_Table.zseek64_file(nullptr, m_Stream, offset, origin); }

    test::ScopedTempDir m_Dir;
    std::string m_Data;
    zlib_filefunc64_def m_Table{};
    voidpf m_Stream = nullptr;
};

TEST_F(ZipFileFunctionsTest, SeeksInEveryDirectionLandWhereAsked)
{
    ExpectRead(0, 1);
    for (int i = 0; i < 99; ++i) // byte by byte, as the library reads header fields
        ExpectRead(1 + static_cast<std::uint64_t>(i), 1);
    struct Step {
        std::uint64_t offset;
        int origin;
        std::uint64_t landsAt;
    };
    const Step steps[] = {
        {40, ZLIB_FILEFUNC_SEEK_SET, 40},     // back within the window
        {45, ZLIB_FILEFUNC_SEEK_SET, 45},     // forward within the replayed bytes
        {10, ZLIB_FILEFUNC_SEEK_CUR, 75},   // each step reads 20 bytes after it
        {0, ZLIB_FILEFUNC_SEEK_SET, 0},
        {1000, ZLIB_FILEFUNC_SEEK_SET, 1000}, // read through
        {3000, ZLIB_FILEFUNC_SEEK_SET, 3000}, // too far ahead: a real seek
        {1500, ZLIB_FILEFUNC_SEEK_SET, 1500}, // back beyond the window: a real seek
        {1023, ZLIB_FILEFUNC_SEEK_CUR, 2543},
        {0, ZLIB_FILEFUNC_SEEK_END, 10000},
        {9990, ZLIB_FILEFUNC_SEEK_SET, 9990},
        {20000, ZLIB_FILEFUNC_SEEK_SET, 20000}, // beyond the end is allowed, as for any file
    };
    for (const Step& step : steps) {
        ASSERT_EQ(Seek(step.offset, step.origin), 0) << step.offset;
        if (step.landsAt < m_Data.size()) {
            ExpectRead(step.landsAt, 20);
        } else {
            EXPECT_EQ(m_Table.ztell64_file(nullptr, m_Stream), step.landsAt);
        }
    }
}

TEST_F(ZipFileFunctionsTest, FailedSeeksReportMinusOne)
{
    ExpectRead(0, 10);
    EXPECT_EQ(Seek(0, 7), -1);
    EXPECT_EQ(Seek(0xFFFFFFFFFFFFFFF0ull, ZLIB_FILEFUNC_SEEK_SET), -1);
    EXPECT_EQ(Seek(0xFFFFFFFFFFFFFFF0ull, ZLIB_FILEFUNC_SEEK_CUR), -1);
}

TEST_F(ZipFileFunctionsTest, OpenFailures)
{
    EXPECT_EQ(m_Table.zopen64_file(nullptr, (m_Dir / "missing").c_str(), ZLIB_FILEFUNC_MODE_READ), nullptr);
    EXPECT_EQ(m_Table.zopen64_file(nullptr, nullptr, ZLIB_FILEFUNC_MODE_READ), nullptr);
    EXPECT_EQ(m_Table.zopen64_file(nullptr, (m_Dir / "data.bin").c_str(), 0), nullptr);
}

} // namespace
} // namespace brindle::platform
