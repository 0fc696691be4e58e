// Every reader of outside data against what a hostile or broken file system puts where a file is
// expected: a directory, a FIFO (whose plain open would block until a writer comes), an endless
// device, a file cut short while a reader works on it, and names with bytes above 0x7F.
#include "app/Settings.h"
#include "containers/DirectoryFileReader.h"
#include "containers/ErfFileReader.h"
#include "containers/ZipFileReader.h"
#include "formats/GffFileReader.h"
#include "formats/TlkFileReader.h"
#include "formats/TwoDAFileReader.h"
#include "resources/PlainException.h"
#include "resources/ResourceNames.h"
#include "resources/ResourceTypes.h"
#include "tests/support/ErfWriter.h"
#include "tests/support/GffWriter.h"
#include "tests/support/ScopedTempDir.h"
#include "tests/support/TlkWriter.h"
#include "tests/support/ZipWriter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <stdexcept>
#include <thread>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brindle {
namespace {

using namespace std::chrono_literals;
using test::ScopedTempDir;

/// How long a reader may take to turn down a path before it counts as hanging.
constexpr auto kPatience = 30s;

struct Reader {
    const char* name;
    /// Opens the path and reads what the reader reads at construction; the message of the failure,
    /// or "" when the reader accepted the path.
    std::function<std::string(const std::string&)> open;
    /// The failure expected for a path that is not a regular file.
    std::function<std::string(const std::string&)> refusal;
};

template <class Make>
std::string FailureOf(Make make)
{
    try {
        make();
        return "";
    } catch (const std::exception& e) {
        return e.what();
    }
}

std::vector<Reader> Readers()
{
    auto fixed = [](const char* text) { return [text](const std::string&) { return std::string(text); }; };
    return {
        {"ERF", [](const std::string& p) { return FailureOf([&] { ErfFileReader<NWN::ResRef32> r(p); }); },
         fixed(kErfOpenFailed)},
        {"ZIP", [](const std::string& p) { return FailureOf([&] { ZipFileReader<NWN::ResRef32> r(p); }); },
         [](const std::string& p) { return std::string(kZipOpenFailedPrefix) + p + "'."; }},
        {"GFF", [](const std::string& p) { return FailureOf([&] { GffFileReader r(p); }); }, fixed(kGffOpenFailed)},
        {"TLK", [](const std::string& p) { return FailureOf([&] { TlkFileReader<NWN::ResRef16> r(p); }); },
         fixed(kTlkOpenFailed)},
        {"2DA", [](const std::string& p) { return FailureOf([&] { TwoDAFileReader r(p); }); },
         [](const std::string& p) { return "Failed to open .2DA file '" + p + "'."; }},
        // A configuration file that cannot be read reads as an empty one.
        {"settings",
         [](const std::string& p) {
             return FailureOf([&] {
                 if (ReadSettingsFile(p).Has(kOptionModule))
                     throw std::runtime_error("options read from a file that is not one");
             });
         },
         fixed("")},
    };
}

// Runs call on a thread and waits; a call stuck in the open of a FIFO is set free by a writer
// appearing, and the test fails instead of hanging.
std::string RunWithPatience(const std::function<std::string()>& call, const std::string& fifo)
{
    auto result = std::async(std::launch::async, call);
    if (result.wait_for(kPatience) == std::future_status::ready)
        return result.get();
    ADD_FAILURE() << "the reader hung";
    if (!fifo.empty()) {
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            ::close(writer);
    }
    return result.get();
}

TEST(HostileFileTest, EveryReaderTurnsDownWhatIsNotARegularFile)
{
    ScopedTempDir dir;
    test::MakeDirectories(dir / "folder.hak");
    ASSERT_EQ(::mkfifo((dir / "pipe.hak").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", (dir / "zero.hak").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "loop.hak").c_str(), (dir / "loop.hak").c_str()), 0);
    for (const Reader& reader : Readers()) {
        for (const std::string& path :
             {dir / "folder.hak", dir / "pipe.hak", std::string("/dev/zero"), dir / "zero.hak", dir / "loop.hak"}) {
            SCOPED_TRACE(std::string(reader.name) + " on " + path);
            const std::string fifo = path == dir / "pipe.hak" ? path : "";
            EXPECT_EQ(RunWithPatience([&] { return reader.open(path); }, fifo), reader.refusal(path));
        }
    }
}

TEST(HostileFileTest, DirectoryContainerSkipsOrRefusesWhatIsNotAFile)
{
    ScopedTempDir dir;
    test::WriteFile(dir / "root/good.2da", "2DA V2.0\n");
    ASSERT_EQ(::mkfifo((dir / "root/pipe.2da").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", (dir / "root/zero.2da").c_str()), 0);
    test::MakeDirectories(dir / "root/folder.2da");

    DirectoryFileReader<NWN::ResRef32> reader(dir / "root");
    std::vector<std::string> opened;
    for (FileIndex i = 0; i < reader.GetEncapsulatedFileCount(); ++i) {
        NWN::ResRef32 name{};
        NWN::ResType type = NWN::ResTypeInvalid;
        ASSERT_TRUE(reader.GetEncapsulatedFileEntry(i, name, type));
        const std::string outcome = RunWithPatience(
            [&] {
                const FileHandle handle = reader.OpenFileByIndex(i);
                return handle != 0 && reader.CloseFile(handle) ? "open" : "refused";
            },
            dir / "root/pipe.2da");
        if (outcome == "open")
            opened.push_back(ToText(name));
    }
    // Only the regular file opens; the others are left out or fail to open, none blocks.
    EXPECT_EQ(opened, std::vector<std::string>{"good"});

    // Given a FIFO or a device as its root, the container is simply empty.
    for (const std::string& root : {dir / "root/pipe.2da", dir / "root/zero.2da"}) {
        DirectoryFileReader<NWN::ResRef32> odd(root);
        EXPECT_EQ(odd.GetEncapsulatedFileCount(), 0u) << root;
    }
}

} // namespace
} // namespace brindle
