// Every reader of outside data against what a hostile or broken file system puts where a file is
// expected: a directory, a FIFO (whose plain open would block until a writer comes), an endless
// device, a file cut short while a reader works on it, and names with bytes above 0x7F.
#include "app/Settings.h"
#include "containers/DirectoryFileReader.h"
#include "containers/ErfFileReader.h"
#include "containers/ZipFileReader.h"
#include "formats/GffFileReader.h"
#include "formats/Granny2Reader.h"
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
#include <map>
#include <set>
#include <future>
#include <stdexcept>
#include <thread>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brindle {
namespace {

using namespace std::chrono_literals;
using test::ScopedTempDir;

/// How long a reader may take to turn down a path before it counts as hanging.
constexpr auto kPatience = 20s;

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
         fixed("Failed to open ERF file.")},
        {"ZIP", [](const std::string& p) { return FailureOf([&] { ZipFileReader<NWN::ResRef32> r(p); }); },
         [](const std::string& p) { return std::string("Failed to open .zip archive '") + p + "'."; }},
        {"GFF", [](const std::string& p) { return FailureOf([&] { GffFileReader r(p); }); },
         fixed("Failed to open GFF file.")},
        {"TLK", [](const std::string& p) { return FailureOf([&] { TlkFileReader<NWN::ResRef16> r(p); }); },
         fixed("Failed to open TLK file.")},
        {"2DA", [](const std::string& p) { return FailureOf([&] { TwoDAFileReader r(p); }); },
         [](const std::string& p) { return "Failed to open .2DA file '" + p + "'."; }},
        {"model library", [](const std::string& p) { return FailureOf([&] { granny2::Granny2Reader r(p); }); },
         fixed("Failed to load granny2.dll")},
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

// The descriptors this process holds open.
int OpenDescriptors()
{
    int count = 0;
    if (DIR* list = ::opendir("/proc/self/fd")) {
        while (::readdir(list) != nullptr)
            ++count;
        ::closedir(list);
    }
    return count;
}

// A reader that fails after its file was opened, or that is destroyed with a resource still open,
// gives back every descriptor it took.
TEST(HostileFileTest, NoReaderKeepsADescriptor)
{
    ScopedTempDir dir;
    std::string valid = test::BuildErf({{"part", 2017, "2DA V2.0\n"}});
    const std::string inputs[] = {
        std::string(64, '\x7f'),                 // no reader's magic
        valid.substr(0, valid.size() / 2),       // cut halfway
        test::BuildTlk(1000).substr(0, 100),     // a talk table cut inside its entry table
        test::BuildModuleIfo({"a"}, "").substr(0, 60),
    };
    const int before = OpenDescriptors();
    ASSERT_GT(before, 0) << "/proc/self/fd cannot be listed";
    for (const std::string& bytes : inputs) {
        test::WriteFile(dir / "input.hak", bytes);
        for (const Reader& reader : Readers())
            reader.open(dir / "input.hak");
        EXPECT_EQ(OpenDescriptors(), before);
    }
    test::WriteFile(dir / "root/left.2da", "2DA V2.0\n");
    {
        DirectoryFileReader<NWN::ResRef32> directory(dir / "root");
        ASSERT_NE(directory.OpenFileByIndex(0), 0u); // never closed by its caller
        EXPECT_EQ(OpenDescriptors(), before + 1);
    }
    EXPECT_EQ(OpenDescriptors(), before);
}

// Cuts the file to a few bytes at a moment that varies from round to round while the talk-table
// reader copies its entry table out of the view: every round ends in a whole table or one of the
// reader's fixed failures, never in a fault.
TEST(HostileFileTest, TalkTableCutWhileTheReaderCopiesIt)
{
    constexpr std::uint32_t kEntries = 200000;
    const std::string bytes = test::BuildTlk(kEntries);
    ScopedTempDir dir;
    const std::string path = dir / "dialog.tlk";
    std::map<std::string, int> outcomes;
    for (int round = 0; round < 40; ++round) {
        test::WriteFile(path, bytes);
        std::atomic<bool> go{false};
        std::thread cutter([&] {
            while (!go.load())
                std::this_thread::yield();
            std::this_thread::sleep_for(std::chrono::microseconds(round * 40));
            ::truncate(path.c_str(), 10);
        });
        std::string outcome;
        try {
            go = true;
            TlkFileReader<NWN::ResRef16> reader(path);
            outcome = reader.GetStringCount() == kEntries ? "whole" : "short";
        } catch (const std::exception& e) {
            outcome = e.what();
        }
        cutter.join();
        ++outcomes[outcome];
    }
    for (const auto& [outcome, count] : outcomes) {
        SCOPED_TRACE(outcome);
        EXPECT_TRUE(outcome == "whole" || outcome == "TLK string table exceeds file size." || outcome == kInPageError ||
                    outcome == "ReadFile( Header ) failed.")
            << count << " rounds";
    }
}

// The GFF reader keeps its view for field lookups; the file is cut under it while a long string is
// read again and again. Each lookup gives the whole text or false.
TEST(HostileFileTest, GffCutWhileLookupsRun)
{
    const std::string text(3 << 20, 'h');
    test::GffWriter writer("IFO ");
    writer.AddExoString(0, "Mod_Hak", text);
    ScopedTempDir dir;
    const std::string path = dir / "module.ifo";
    for (int round = 0; round < 10; ++round) {
        test::WriteFile(path, writer.Build());
        GffFileReader reader(path);
        std::atomic<bool> go{false};
        std::thread cutter([&] {
            while (!go.load())
                std::this_thread::yield();
            std::this_thread::sleep_for(std::chrono::microseconds(round * 200));
            ::truncate(path.c_str(), 0);
        });
        int whole = 0;
        int refused = 0;
        go = true;
        for (int lookup = 0; lookup < 20; ++lookup) {
            std::string value;
            if (reader.ReadStringField(reader.GetRootStruct(), "Mod_Hak", value)) {
                ASSERT_EQ(value.size(), text.size());
                ASSERT_TRUE(value == text) << "a lookup succeeded with bytes that are not the file's";
                ++whole;
            } else {
                ++refused;
            }
        }
        cutter.join();
        std::string value;
        EXPECT_FALSE(reader.ReadStringField(reader.GetRootStruct(), "Mod_Hak", value)) << "read from a cut file";
        EXPECT_EQ(whole + refused, 20);
    }
}

// Names with bytes above 0x7F, in paths and inside archives and folders: the bytes pass through
// untouched (only ASCII letters are lower-cased) and nothing is refused for them.
TEST(HostileFileTest, NamesWithBytesAbove0x7F)
{
    ScopedTempDir dir;
    const std::string hakName = "H\xc3\xa4k\xff";
    const std::string ifo = test::BuildModuleIfo({"Caf\xc3\xa9"}, "T\xe9l\xe9");
    test::WriteFile(dir / (hakName + "/m\xf6" + "dule.hak"),
                    test::BuildErf({{"MOD\xc3\x9cLE", ResTypeIfo, ifo}, {"\x80\xfe", ResType2da, "x"}}));

    ErfFileReader<NWN::ResRef32> erf(dir / (hakName + "/m\xf6" + "dule.hak"));
    ASSERT_EQ(erf.GetEncapsulatedFileCount(), 2u);
    const FileHandle module = erf.OpenFile(ToResRef32("MOD\xc3\x9cLE"), ResTypeIfo);
    EXPECT_EQ(module, 0u) << "ERF names are compared as stored";
    NWN::ResRef32 stored{};
    NWN::ResType type = NWN::ResTypeInvalid;
    ASSERT_TRUE(erf.GetEncapsulatedFileEntry(0, stored, type));
    EXPECT_EQ(RawText(stored), "MOD\xc3\x9cLE");
    EXPECT_NE(erf.OpenFile(stored, ResTypeIfo), 0u);

    test::WriteFile(dir / "module.ifo", ifo);
    GffFileReader gff(dir / "module.ifo");
    std::string tlk;
    ASSERT_TRUE(gff.ReadStringField(gff.GetRootStruct(), "Mod_CustomTlk", tlk));
    EXPECT_EQ(tlk, "T\xe9l\xe9");

    test::WriteZip(dir / "data.zip", {{"Mod\xe8les/\xc3\x89P\xc9" "E.MDB", "zip bytes"}, {"\xff.2da", "2DA V2.0\n"}});
    ZipFileReader<NWN::ResRef32> zip(dir / "data.zip");
    ASSERT_EQ(zip.GetEncapsulatedFileCount(), 2u);
    ASSERT_TRUE(zip.GetEncapsulatedFileEntry(0, stored, type));
    EXPECT_EQ(RawText(stored), "\xc3\x89p\xc9" "e");
    EXPECT_EQ(type, ResTypeMdb);
    const FileHandle entry = zip.OpenFile(ToResRef32("\xc3\x89P\xc9" "E"), ResTypeMdb);
    ASSERT_NE(entry, 0u);
    std::string content(9, '\0');
    std::uint32_t read = 0;
    EXPECT_TRUE(zip.ReadEncapsulatedFile(entry, 0, 9, read, content.data()));
    EXPECT_EQ(content, "zip bytes");
    EXPECT_TRUE(zip.CloseFile(entry));

    test::WriteFile(dir / "folder/\xc3\x89P\xc9" "E.MDB", "loose");
    test::WriteFile(dir / "folder/Sub\xa0/\xfe\xff.2DA", "2DA V2.0\n");
    DirectoryFileReader<NWN::ResRef32> folder(dir / "folder");
    std::set<std::string> names;
    FileIndex table = 0;
    for (FileIndex i = 0; i < folder.GetEncapsulatedFileCount(); ++i) {
        ASSERT_TRUE(folder.GetEncapsulatedFileEntry(i, stored, type));
        names.insert(RawText(stored));
        if (type == ResType2da)
            table = i;
        const FileHandle handle = folder.OpenFileByIndex(i);
        EXPECT_NE(handle, 0u) << RawText(stored);
        EXPECT_TRUE(folder.CloseFile(handle));
    }
    EXPECT_EQ(names, (std::set<std::string>{"\xc3\x89p\xc9" "e", "\xfe\xff"}));
    EXPECT_EQ(TwoDAFileReader(folder.GetEncapsulatedFilePath(table)).GetRowCount(), 0u);
}

} // namespace
} // namespace brindle
