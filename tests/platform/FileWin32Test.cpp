// What only the Windows file layer has: share modes, refusing what is not a file on a disk, and
// the page-in guard's choice of which exceptions it takes (an in-page error or an access violation
// inside the armed view) and which it passes on.
#include "platform/File.h"
#include "tests/support/ScopedTempDir.h"

#include <gtest/gtest.h>

#include <string>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace brindle::platform {
namespace {

TEST(FileWin32Test, ShareModesDecideWhetherAnOpenFileCanBeDeleted)
{
    test::ScopedTempDir dir;
    for (const auto& [share, deletable] : {std::pair{ShareMode::Read, false}, std::pair{ShareMode::ReadDelete, true}}) {
        const std::string path = dir / "data";
        test::WriteFile(path, "bytes");
        OsFile file = OpenForReading(path, share, AccessHint::RandomAccess);
        ASSERT_NE(file, InvalidOsFile);
        EXPECT_EQ(DeleteFilePath(path), deletable);
        CloseOsFile(file);
        DeleteFilePath(path);
    }
}

TEST(FileWin32Test, OnlyFilesOnADiskOpenForReading)
{
    test::ScopedTempDir dir;
    test::MakeDirectories(dir / "folder");
    for (const std::string& path : {dir / "folder", dir / "missing", std::string("NUL"), std::string("CONIN$")})
        EXPECT_EQ(OpenForReading(path, ShareMode::Read, AccessHint::Normal), InvalidOsFile) << path;
}

// A mapped view of three pages with its middle page made unreadable, so that copying across it
// faults at a known address inside the view.
class GuardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SYSTEM_INFO info{};
        GetSystemInfo(&info);
        m_Page = info.dwAllocationGranularity;
        std::string bytes(3 * m_Page, '\0');
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(i * 7);
        m_Bytes = bytes;
        test::WriteFile(m_Dir / "data", bytes);
        m_File = OpenForReading(m_Dir / "data", ShareMode::Read, AccessHint::RandomAccess);
        ASSERT_NE(m_File, InvalidOsFile);
        ASSERT_TRUE(MapWholeFile(m_File, m_View));
        DWORD old = 0;
        ASSERT_NE(VirtualProtect(const_cast<unsigned char*>(m_View.data) + m_Page, m_Page, PAGE_NOACCESS, &old), 0);
    }
    void TearDown() override
    {
        UnmapView(m_View);
        CloseOsFile(m_File);
    }

    test::ScopedTempDir m_Dir;
    std::size_t m_Page = 0;
    std::string m_Bytes;
    OsFile m_File = InvalidOsFile;
    MappedView m_View;
};

TEST_F(GuardTest, AccessViolationInsideTheViewFailsTheCopy)
{
    std::string out(m_View.size, '\0');
    EXPECT_FALSE(GuardedCopy(out.data(), m_View, 0, out.size()));
    // The guard is disarmed again: the readable part still copies.
    EXPECT_TRUE(GuardedCopy(out.data(), m_View, 0, m_Page));
    EXPECT_EQ(out.substr(0, m_Page), m_Bytes.substr(0, m_Page));
}

// A handler ahead of the guard turns the access violation into another exception at an address of
// the test's choosing; a handler behind the guard sees whatever the guard passes on.
struct Relay {
    DWORD code = 0;
    ULONG_PTR address = 0;
    const unsigned char* begin = nullptr;
    const unsigned char* end = nullptr;
    std::size_t page = 0;
    bool raised = false;
    bool passedOn = false;
};
Relay g_relay;

LONG CALLBACK RelayAhead(EXCEPTION_POINTERS* pointers)
{
    const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
    if (record->ExceptionCode != EXCEPTION_ACCESS_VIOLATION || record->NumberParameters < 2 || g_relay.raised)
        return EXCEPTION_CONTINUE_SEARCH;
    const auto* address = reinterpret_cast<const unsigned char*>(record->ExceptionInformation[1]);
    if (address < g_relay.begin || address >= g_relay.end)
        return EXCEPTION_CONTINUE_SEARCH;
    g_relay.raised = true;
    const ULONG_PTR arguments[3] = {0, g_relay.address, 0xC000009D /* device not connected */};
    RaiseException(g_relay.code, 0, 3, arguments);
    // Only reached when the guard passed the raised exception on: let the copy go on.
    DWORD old = 0;
    VirtualProtect(const_cast<unsigned char*>(g_relay.begin) + g_relay.page, g_relay.page, PAGE_READONLY, &old);
    return EXCEPTION_CONTINUE_EXECUTION;
}

LONG CALLBACK RelayBehind(EXCEPTION_POINTERS* pointers)
{
    const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
    if (record->ExceptionCode != g_relay.code || record->NumberParameters < 2 ||
        record->ExceptionInformation[1] != g_relay.address)
        return EXCEPTION_CONTINUE_SEARCH;
    g_relay.passedOn = true;
    return EXCEPTION_CONTINUE_EXECUTION;
}

TEST_F(GuardTest, WhichRaisedExceptionsTheGuardTakes)
{
    const ULONG_PTR inside = reinterpret_cast<ULONG_PTR>(m_View.data) + m_Page + 16;
    const ULONG_PTR outside = reinterpret_cast<ULONG_PTR>(&g_relay);
    struct Case {
        const char* what;
        DWORD code;
        ULONG_PTR address;
        bool taken;
    };
    const Case cases[] = {
        {"in-page error inside the view", EXCEPTION_IN_PAGE_ERROR, inside, true},
        {"in-page error elsewhere", EXCEPTION_IN_PAGE_ERROR, outside, false},
        {"another exception inside the view", EXCEPTION_DATATYPE_MISALIGNMENT, inside, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DWORD old = 0;
        ASSERT_NE(VirtualProtect(const_cast<unsigned char*>(m_View.data) + m_Page, m_Page, PAGE_NOACCESS, &old), 0);
        g_relay = Relay{c.code, c.address, m_View.data, m_View.data + m_View.size, m_Page, false, false};
        PVOID behind = AddVectoredExceptionHandler(0, &RelayBehind);
        std::string out(m_View.size, '\0');
        GuardedCopy(out.data(), m_View, 0, 1); // installs the guard before the relay goes ahead of it
        PVOID ahead = AddVectoredExceptionHandler(1, &RelayAhead);
        const bool copied = GuardedCopy(out.data(), m_View, 0, out.size());
        RemoveVectoredExceptionHandler(ahead);
        RemoveVectoredExceptionHandler(behind);
        EXPECT_TRUE(g_relay.raised);
        EXPECT_EQ(copied, !c.taken);
        EXPECT_EQ(g_relay.passedOn, !c.taken);
        if (copied) {
            EXPECT_EQ(out, m_Bytes);
        }
    }
}

} // namespace
} // namespace brindle::platform
