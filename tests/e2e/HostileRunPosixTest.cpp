// The whole program in a hostile environment: many runs at once on one temporary directory, a run
// killed in the middle of an extraction, a disk that fills up during one, links that loop and a
// folder tree deeper than the scan goes, a .zip entry claiming 4 GiB, and names with bytes above
// 0x7F. Each run is the real executable in a scratch working directory with its own $TMPDIR.
#include "formats/TwoDAFileReader.h"
#include "platform/TextFormat.h"
#include "resources/ResourceManager.h"
#include "resources/ResourceTypes.h"
#include "tests/support/ErfWriter.h"
#include "tests/support/FolderChain.h"
#include "tests/support/GffWriter.h"
#include "tests/support/RealData.h"
#include "tests/support/SampleGame.h"
#include "tests/support/ScopedTempDir.h"
#include "tests/support/TlkWriter.h"
#include "tests/support/ZipWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace brindle {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::ScopedTempDir;
using test::WriteFile;

constexpr const char* kScriptName = "zorvmantle_set_constants.NSS";

/// The four game tables, small and valid.
const std::vector<test::ZipEntry> kTables = {
    {"gender.2da", "2DA V2.0\r\n\r\n   LABEL   GENDER\r\n0  Male  M\r\n1  Female  F\r\n"},
    {"appearance.2da", "2DA V2.0\r\n\r\n   LABEL  NWN2_Model_Helm\r\n0  Human  P_HHM\r\n1  Elf  P_EEF\r\n"},
    {"armorvisualdata.2da", "2DA V2.0\r\n\r\n   Label  Prefix\r\n0  Cloth  CL\r\n1  Leather  LE\r\n"},
    {"baseitems.2da", "2DA V2.0\r\n\r\n   label  ItemClass\r\n0  Longsword  W_LSword\r\n1  Dagger  W_Dag\r\n"},
};

/// Model names spread over the sources of a game tree.
const std::vector<std::string> kDataModels = {"P_HHM_CL_BODY01", "P_HHF_LE_BOOTS02", "A_HHM_LSHOULDER02",
                                              "W_LSWORD03_B", "W_DAG01", "not_a_model"};

std::vector<test::ZipEntry> Without(std::vector<test::ZipEntry> entries, const std::string& path)
{
    std::erase_if(entries, [&](const test::ZipEntry& e) { return e.path == path; });
    return entries;
}

/// A game installation, a home directory with a packed module and its HAK, and working
/// directories holding the configuration file.
class GameTree {
public:
    explicit GameTree(const std::string& module = "Test", const std::string& hak = "hak1")
        : m_Module(module), m_Hak(hak)
    {
        std::vector<test::ZipEntry> models;
        for (const std::string& model : kDataModels)
            models.push_back({"Models/" + model + ".MDB", "mdb"});
        test::MakeDirectories(Install() + "/Data");
        test::WriteZip(Install() + "/Data/2da.zip", kTables);
        test::WriteZip(Install() + "/Data/models.zip", models);
        WriteFile(Install() + "/dialog.tlk", test::BuildTlk(3));
        const std::string ifo = test::BuildModuleIfo({hak}, "");
        WriteFile(Home() + "/modules/" + module + ".mod",
                  test::BuildErf({{"module", ResTypeIfo, ifo}, {"P_EEF_CL_BODY05", ResTypeMdb, "m"}}, "MOD "));
        WriteFile(Home() + "/hak/" + hak + ".hak", test::BuildErf({{"W_DAG02_c", ResTypeMdb, "m"}}));
        test::MakeDirectories(Home() + "/override");
    }

    std::string Install() const { return m_Root / "install"; }
    std::string Home() const { return m_Root / "home"; }
    std::string Override() const { return Home() + "/override"; }

    /// A fresh working directory with the configuration file.
    std::string WorkingDirectory(const std::string& name) const
    {
        const std::string dir = m_Root / ("work/" + name);
        WriteFile(dir + "/Brindlewhistler.ini", "[settings]\nmodule = " + m_Module +
                                                    "\nignoresingles = 0\n[paths]\nnwn2-install = " + Install() +
                                                    "\nnwn2-home = " + Home() +
                                                    "\n[invisiblemodels]\nmodelparts = 1\nvariations = 1\n"
                                                    "armorpieces = 1\n");
        return dir;
    }

    /// Replaces the tables archive of the installation.
    void SetTables(const std::vector<test::ZipEntry>& tables) const
    {
        test::WriteZip(Install() + "/Data/2da.zip", tables);
    }
    void WriteTablesArchive(const std::string& bytes) const { WriteFile(Install() + "/Data/2da.zip", bytes); }
    /// Writes the module again with padding after its information file, which the run copies out.
    void PadModuleIfo(std::size_t padding) const
    {
        const std::string ifo = test::BuildModuleIfo({m_Hak}, "") + std::string(padding, '\0');
        WriteFile(Home() + "/modules/" + m_Module + ".mod",
                  test::BuildErf({{"module", ResTypeIfo, ifo}, {"P_EEF_CL_BODY05", ResTypeMdb, "m"}}, "MOD "));
    }

private:
    ScopedTempDir m_Root;
    std::string m_Module;
    std::string m_Hak;
};

/// A started run of the program: standard output goes to a file beside its working directory.
class ProgramUnderTest {
public:
    struct Options {
        std::optional<rlim_t> fileSizeLimit; ///< makes writes beyond it fail as on a full disk
        std::vector<int> closedDescriptors;  ///< standard descriptors the program starts without
        std::vector<int> ignoredSignals;     ///< inherited ignored, as from a shell's background job
        std::vector<std::string> environment; ///< more variables ("NAME=value")
    };

    ProgramUnderTest(const std::string& workingDirectory, const std::string& temporaryDirectory, Options options = {})
        : m_OutputPath(workingDirectory + ".out")
    {
        // The variables given replace those of the same name the test itself has.
        std::vector<std::string> environment = options.environment;
        environment.push_back("TMPDIR=" + temporaryDirectory);
        const std::vector<std::string> given = environment;
        const auto isGiven = [&given](std::string_view variable) {
            const std::string_view name = variable.substr(0, variable.find('=') + 1);
            return std::any_of(given.begin(), given.end(),
                               [name](const std::string& set) { return set.starts_with(name); });
        };
        for (char** variable = environ; *variable != nullptr; ++variable)
            if (!isGiven(*variable))
                environment.emplace_back(*variable);
        std::vector<char*> envp;
        for (std::string& variable : environment)
            envp.push_back(variable.data());
        envp.push_back(nullptr);
        const char* executable = BRINDLE_EXECUTABLE;

        std::fflush(nullptr);
        m_Pid = ::fork();
        if (m_Pid == 0) {
            const int out = ::open(m_OutputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (out < 0 || ::dup2(out, STDOUT_FILENO) < 0 || ::chdir(workingDirectory.c_str()) != 0)
                ::_exit(126);
            if (options.fileSizeLimit) {
                // As ulimit -f: the program itself must keep SIGXFSZ from killing it.
                const rlimit limit{*options.fileSizeLimit, *options.fileSizeLimit};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            }
            for (const int fd : options.closedDescriptors)
                ::close(fd);
            for (const int signal : options.ignoredSignals)
                ::signal(signal, SIG_IGN);
            ::execle(executable, executable, static_cast<char*>(nullptr), envp.data());
            ::_exit(127);
        }
    }
    ~ProgramUnderTest()
    {
        if (m_Pid > 0 && !m_Finished) {
            ::kill(m_Pid, SIGKILL);
            Wait();
        }
    }
    ProgramUnderTest(const ProgramUnderTest&) = delete;
    ProgramUnderTest& operator=(const ProgramUnderTest&) = delete;

    pid_t Pid() const { return m_Pid; }
    bool HasExited()
    {
        int status = 0;
        if (m_Finished)
            return true;
        if (::waitpid(m_Pid, &status, WNOHANG) == m_Pid) {
            m_Finished = true;
            m_Status = status;
        }
        return m_Finished;
    }
    /// Waits for the end; the raw wait status.
    int Wait()
    {
        while (!m_Finished) {
            int status = 0;
            const pid_t done = ::waitpid(m_Pid, &status, 0);
            if (done == m_Pid || (done < 0 && errno != EINTR)) {
                m_Finished = true;
                m_Status = status;
            }
        }
        return m_Status;
    }
    void Kill(int signal = SIGKILL) { ::kill(m_Pid, signal); }
    /// Waits until the program has stopped; false when it ended instead.
    bool WaitUntilStopped()
    {
        if (m_Finished)
            return false;
        int status = 0;
        pid_t done;
        do {
            done = ::waitpid(m_Pid, &status, WUNTRACED);
        } while (done < 0 && errno == EINTR);
        if (done == m_Pid && WIFSTOPPED(status))
            return true;
        m_Finished = true;
        m_Status = status;
        return false;
    }
    std::string Output() const { return test::ReadFile(m_OutputPath); }

private:
    std::string m_OutputPath;
    pid_t m_Pid = -1;
    bool m_Finished = false;
    int m_Status = 0;
};

struct Outcome {
    std::string output;
    std::string script;
};

/// Runs the program to its end and checks that it ended normally with status 0.
Outcome RunToEnd(const std::string& workingDirectory, const std::string& temporaryDirectory, ProgramUnderTest::Options options = {})
{
    ProgramUnderTest run(workingDirectory, temporaryDirectory, options);
    const int status = run.Wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status;
    return {run.Output(), test::ReadFile(workingDirectory + "/" + kScriptName)};
}

/// What is left in a directory (names, recursively).
std::vector<std::string> Contents(const std::string& directory)
{
    std::vector<std::string> names;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(directory, error); !error && it != fs::end(it);
         it.increment(error))
        names.push_back(fs::relative(it->path(), directory).string());
    return names;
}

/// A clean run on its own, the measure the runs under stress are held to.
Outcome Reference(const std::string& workingDirectory)
{
    ScopedTempDir tmp;
    Outcome outcome = RunToEnd(workingDirectory, tmp.Path());
    EXPECT_EQ(outcome.output.find("ERROR"), std::string::npos) << outcome.output;
    EXPECT_NE(outcome.script.find("SetLocalString( oModule, \"VK_W_"), std::string::npos) << outcome.script;
    EXPECT_EQ(Contents(tmp.Path()), std::vector<std::string>{});
    return outcome;
}

Outcome Reference(const GameTree& tree, const std::string& name)
{
    Outcome outcome = Reference(tree.WorkingDirectory(name));
    // The tree's own models made it into the lists (the HAK's dagger among them).
    EXPECT_NE(outcome.script.find("VK_W_DAG_C"), std::string::npos) << outcome.script;
    return outcome;
}

TEST(HostileRunTest, EightRunsAtOnceOnOneTemporaryDirectory)
{
    ScopedTempDir root;
    const test::SampleGame game = test::WriteSampleGame(root / "game");
    const auto workingDirectory = [&](const std::string& name) {
        WriteFile(root / (name + "/Brindlewhistler.ini"), test::SampleSettings(game, true, false));
        return root / name;
    };
    const Outcome reference = Reference(workingDirectory("reference"));

    ScopedTempDir tmp;
    std::vector<std::string> directories;
    std::vector<std::unique_ptr<ProgramUnderTest>> runs;
    for (int i = 0; i < 8; ++i) {
        directories.push_back(workingDirectory("parallel" + std::to_string(i)));
        runs.push_back(std::make_unique<ProgramUnderTest>(directories.back(), tmp.Path()));
    }
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        const int status = runs[i]->Wait();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        const std::string output = runs[i]->Output();
        EXPECT_EQ(output.find("ERROR"), std::string::npos) << output;
        // No run took another's working directory for the leftover of a dead one.
        EXPECT_EQ(output.find("Cleaning up defunct"), std::string::npos) << output;
        EXPECT_EQ(test::ReadFile(directories[i] + "/" + kScriptName), reference.script);
    }
    EXPECT_EQ(Contents(tmp.Path()), std::vector<std::string>{});
}

/// The environment that makes the program stop itself once it has made a folder (variable
/// BRINDLE_TEST_STOP_AT_FOLDER) or created a file (BRINDLE_TEST_STOP_AT_FILE) whose path holds mark.
std::vector<std::string> StopAt(const char* variable, const std::string& mark)
{
    const char* asanOptions = std::getenv("ASAN_OPTIONS");
    return {std::string("LD_PRELOAD=") + BRINDLE_TEST_STOP_AT, std::string(variable) + "=" + mark,
            // The preloaded library comes before a sanitizer's runtime.
            std::string("ASAN_OPTIONS=") + (asanOptions != nullptr ? asanOptions : "") + ":verify_asan_link_order=0"};
}

TEST(HostileRunTest, RunKilledDuringAnExtractionIsSweptByTheNext)
{
    GameTree tree;
    const Outcome reference = Reference(tree, "reference");

    ScopedTempDir tmp;
    std::string instance;
    {
        // Stopped as its copy of the module information file is made, and killed there.
        ProgramUnderTest run(tree.WorkingDirectory("killed"), tmp.Path(),
                             {{}, {}, {}, StopAt("BRINDLE_TEST_STOP_AT_FILE", "/module.ifo")});
        instance = tmp / (std::string(kInstanceNamePrefix) + std::to_string(run.Pid()));
        ASSERT_TRUE(run.WaitUntilStopped()) << "wait status " << run.Wait() << ": " << run.Output();
        run.Kill();
        const int status = run.Wait();
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "wait status " << status;
    }
    ASSERT_TRUE(fs::exists(instance + "/module.ifo")) << "no extraction in progress when killed";

    const Outcome next = RunToEnd(tree.WorkingDirectory("next"), tmp.Path());
    const std::string instanceName = fs::path(instance).filename().string();
    EXPECT_NE(next.output.find("Cleaning up defunct resource manager instance '" + instanceName + "'..."),
              std::string::npos)
        << next.output;
    EXPECT_EQ(next.script, reference.script);
    EXPECT_EQ(Contents(tmp.Path()), std::vector<std::string>{});
}

// A write the machine refuses (here beyond the file-size limit, as ulimit -f sets it, which fails as
// a full disk does) ends the run with the reason and a non-zero status, whether it meets the copy of
// a resource or the script; the earlier script stays and nothing partial is left anywhere.
TEST(HostileRunTest, WriteTheMachineRefusesEndsTheRunAndKeepsTheEarlierScript)
{
    struct Case {
        const char* name;
        std::size_t ifoPadding; ///< makes the copy of the module information file that much larger
        rlim_t limit;
        std::string error; ///< the start of the error line, before the path's variable part
        std::string reason;
    };
    const Case cases[] = {
        {"resource copy", 600000, 256 * 1024, "\nERROR: 'Failed to write '", "/module.ifo': File too large'"},
        {"script", 0, 2048, "\nERROR: 'Failed to write zorvmantle_set_constants.NSS: File too large'", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GameTree tree;
        tree.PadModuleIfo(c.ifoPadding);
        const std::string work = tree.WorkingDirectory(c.name);
        WriteFile(work + "/" + kScriptName, "earlier script\r\n");
        ScopedTempDir tmp;
        ProgramUnderTest run(work, tmp.Path(), {c.limit, {}, {}, {}});
        const int status = run.Wait();
        const std::string output = run.Output();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << "wait status " << status << "\n" << output;
        const std::size_t error = output.find(c.error);
        ASSERT_NE(error, std::string::npos) << output;
        EXPECT_EQ(output.substr(output.size() - c.reason.size()), c.reason) << output;
        EXPECT_EQ(output.find("\n", error + 1), std::string::npos) << "the error line is the last: " << output;
        EXPECT_EQ(test::ReadFile(work + "/" + kScriptName), "earlier script\r\n");
        EXPECT_EQ(Contents(work), (std::vector<std::string>{"Brindlewhistler.ini", kScriptName}));
        EXPECT_EQ(Contents(tmp.Path()), std::vector<std::string>{});
    }
}

TEST(HostileRunTest, LinkLoopsAndADeepTreeInTheOverrideFolder)
{
    GameTree tree;
    const Outcome plain = Reference(tree, "plain");

    ASSERT_EQ(::symlink(".", (tree.Override() + "/self").c_str()), 0);
    ASSERT_EQ(::symlink(tree.Override().c_str(), (tree.Override() + "/again").c_str()), 0);
    ASSERT_EQ(::symlink((tree.Override() + "/b").c_str(), (tree.Override() + "/a").c_str()), 0);
    ASSERT_EQ(::symlink((tree.Override() + "/a").c_str(), (tree.Override() + "/b").c_str()), 0);
    std::string deep = tree.Override();
    for (int level = 1; level <= 300; ++level) {
        deep += "/d";
        if (level == 100) {
            WriteFile(deep + "/P_HHM_CL_GLOVES07.mdb", "m");
            ASSERT_EQ(::symlink(tree.Override().c_str(), (deep + "/up").c_str()), 0);
        }
    }
    WriteFile(deep + "/P_HHM_CL_GLOVES09.mdb", "m");

    ScopedTempDir tmp;
    const Outcome linked = RunToEnd(tree.WorkingDirectory("linked"), tmp.Path());
    EXPECT_EQ(linked.output.find("ERROR"), std::string::npos) << linked.output;
    // The model 100 levels down joins the lists; the one 300 levels down is beyond the scan.
    EXPECT_NE(linked.script, plain.script);
    EXPECT_NE(linked.script.find("\"VK_P_HHM_CL_GLOVES\", \"#0#7#\" );"), std::string::npos) << linked.script;
    EXPECT_EQ(Contents(tmp.Path()), std::vector<std::string>{});
}

// Override entries that are no files: a FIFO (whose plain open would wait for a writer forever) and
// a link to an endless device, named as two tables. The run neither hangs nor fails: the folder scan
// passes them over and the tables come from the data archives below.
TEST(HostileRunTest, OverrideTablesThatAreAFifoAndAnEndlessDevice)
{
    GameTree tree;
    const Outcome reference = Reference(tree, "reference");

    ASSERT_EQ(::mkfifo((tree.Override() + "/gender.2da").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", (tree.Override() + "/appearance.2da").c_str()), 0);
    ScopedTempDir tmp;
    const Outcome odd = RunToEnd(tree.WorkingDirectory("odd"), tmp.Path());
    EXPECT_EQ(odd.output, reference.output);
    EXPECT_EQ(odd.script, reference.script);
    EXPECT_EQ(Contents(tmp.Path()), std::vector<std::string>{});
}

// A .zip in the data folder that is a FIFO (never opened: a read would wait forever) or a link to
// nothing, and an override folder nested too deep to be listed: each is named in a warning and left
// out, and the run ends as it would without them.
TEST(HostileRunTest, ArchivesThatAreNoFilesAndFoldersThatCannotBeListedAreNamed)
{
    GameTree tree;
    const Outcome reference = Reference(tree, "reference");

    const std::string fifo = tree.Install() + "/Data/fifo.zip";
    const std::string dangling = tree.Install() + "/Data/gone.zip";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::symlink((tree.Install() + "/Data/nothing").c_str(), dangling.c_str()), 0);
    const std::string name(200, 'o');
    const test::FolderChain chain(tree.Override(), name, 24);
    ScopedTempDir tmp;
    const Outcome odd = RunToEnd(tree.WorkingDirectory("odd"), tmp.Path());
    EXPECT_EQ(odd.script, reference.script);
    EXPECT_NE(odd.output.find("WARNING: Skipped .zip archive '" + fifo + "': it is not a regular file.\n"),
              std::string::npos) << odd.output;
    EXPECT_NE(odd.output.find("WARNING: Skipped .zip archive '" + dangling + "': it is not a regular file.\n"),
              std::string::npos) << odd.output;
    const std::string unreadable = "WARNING: Could not read folder '" + tree.Override() + "/" + name + "/";
    const std::size_t at = odd.output.find(unreadable);
    ASSERT_NE(at, std::string::npos) << odd.output;
    const std::string line = odd.output.substr(at, odd.output.find('\n', at) + 1 - at);
    EXPECT_TRUE(line.ends_with("'; the files in it are left out.\n")) << line;
    EXPECT_EQ(Contents(tmp.Path()), std::vector<std::string>{});
}

TEST(HostileRunTest, ZipEntryClaimingFourGibibytes)
{
    GameTree tree;
    tree.SetTables(Without(kTables, "gender.2da"));
    const Outcome withoutGender = Reference(tree, "reference");

    // The gender table's entry claims 4 GiB in a 64-bit extra field; it holds its real bytes.
    const std::string gender = kTables[0].data;
    ScopedTempDir parts;
    test::WriteZip(parts / "one.zip", {{"gender.2da", gender}});
    std::string bytes = test::ReadFile(parts / "one.zip");
    // Stored sizes: the local header at 18/22, the central header at its 20/24.
    const std::size_t central = bytes.find("PK\x01\x02");
    ASSERT_NE(central, std::string::npos);
    for (const std::size_t at : {std::size_t{22}, central + 24})
        bytes.replace(at, 4, "\xff\xff\xff\xff");
    tree.WriteTablesArchive(bytes);
    test::WriteZip(tree.Install() + "/Data/more.zip", Without(kTables, "gender.2da"));

    ScopedTempDir tmp;
    const Outcome claimed = RunToEnd(tree.WorkingDirectory("claimed"), tmp.Path());
    EXPECT_EQ(claimed.output.find("ERROR"), std::string::npos) << claimed.output;
    // Refused by its claimed size before anything is copied.
    EXPECT_NE(claimed.output.find("WARNING: Failed to access 2DA 'gender': exception 'Table 'gender.2da' in '" +
                                  tree.Install() + "/Data/2da.zip' unpacks to 4294967295 bytes, more than the " +
                                  std::to_string(kMaxTableSize) + " a table may hold.'.\n"),
              std::string::npos)
        << claimed.output;
    EXPECT_EQ(claimed.script, withoutGender.script);
    EXPECT_EQ(Contents(tmp.Path()), std::vector<std::string>{});
}

TEST(HostileRunTest, NamesWithBytesAbove0x7F)
{
    const std::string module = "Mod\xc3\xa9le \xff";
    const std::string hak = "H\xe4k_\xc3\x9f";
    GameTree plainTree;
    const Outcome plain = Reference(plainTree, "plain");

    GameTree tree(module, hak);
    ScopedTempDir tmp;
    const Outcome odd = RunToEnd(tree.WorkingDirectory("odd"), tmp.Path());
    EXPECT_EQ(odd.output.find("ERROR"), std::string::npos) << odd.output;
    EXPECT_EQ(odd.output.find("WARNING: Failed to load HAK"), std::string::npos) << odd.output;
    // Only the names differ; the module and its HAK load as under plain names.
    EXPECT_EQ(odd.script, plain.script);
    EXPECT_EQ(Contents(tmp.Path()), std::vector<std::string>{});
}

TEST(HostileRunTest, ClosedStandardDescriptorsLeaveTheScriptAsItIs)
{
    GameTree tree;
    const Outcome reference = Reference(tree, "reference");
    // Were descriptor 1 free, the script's file would take it and the report would land inside.
    const std::vector<int> closings[] = {{STDOUT_FILENO}, {STDIN_FILENO}, {STDERR_FILENO},
                                         {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}};
    int index = 0;
    for (const std::vector<int>& closed : closings) {
        SCOPED_TRACE(closed.size() == 1 ? "descriptor " + std::to_string(closed[0]) : "all three");
        ScopedTempDir tmp;
        ProgramUnderTest::Options options;
        options.closedDescriptors = closed;
        const Outcome run = RunToEnd(tree.WorkingDirectory("closed" + std::to_string(index++)),
                                     tmp.Path(), options);
        EXPECT_EQ(run.script, reference.script);
        EXPECT_EQ(Contents(tmp.Path()), std::vector<std::string>{});
    }
}

TEST(HostileRunTest, InterruptedRunRemovesItsTemporaryScriptAndEndsBySignal)
{
    GameTree tree;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        const std::string work = tree.WorkingDirectory("signal" + std::to_string(signal));
        WriteFile(work + "/" + kScriptName, "earlier script\r\n");
        ScopedTempDir tmp;
        // Stopped as the copy of the module information file is made, and signalled there.
        ProgramUnderTest run(work, tmp.Path(), {{}, {}, {}, StopAt("BRINDLE_TEST_STOP_AT_FILE", "/module.ifo")});
        ASSERT_TRUE(run.WaitUntilStopped()) << "wait status " << run.Wait() << ": " << run.Output();
        run.Kill(signal);
        run.Kill(SIGCONT);
        const int status = run.Wait();
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "wait status " << status;
        // The earlier script stays; nothing else is left beside it, nor in the temporary folder
        // (the instance directory, its marker and the copy being made are gone).
        EXPECT_EQ(test::ReadFile(work + "/" + kScriptName), "earlier script\r\n");
        EXPECT_EQ(Contents(work), (std::vector<std::string>{"Brindlewhistler.ini", kScriptName}));
        EXPECT_EQ(Contents(tmp.Path()), std::vector<std::string>{});
    }
}

// The other points a signal may meet the run at: right as its instance directory appears (the
// run stops itself there), and with SIGINT inherited ignored, which must stay ignored while the
// other two still end the run and clean up.
TEST(HostileRunTest, InterruptedRunRemovesItsInstanceDirectoryAndMarker)
{
    GameTree tree;
    // The program stops itself right after it has made its instance folder, before its removal
    // is armed; the signal is sent while it is stopped there.
    const ProgramUnderTest::Options stopAtFolder{
        {}, {}, {}, StopAt("BRINDLE_TEST_STOP_AT_FOLDER", kInstanceNamePrefix)};
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        ScopedTempDir tmp;
        ProgramUnderTest run(tree.WorkingDirectory("early" + std::to_string(signal)), tmp.Path(), stopAtFolder);
        ASSERT_TRUE(run.WaitUntilStopped()) << "wait status " << run.Wait() << ": " << run.Output();
        EXPECT_TRUE(fs::is_directory(tmp / (std::string(kInstanceNamePrefix) + std::to_string(run.Pid()))));
        run.Kill(signal);
        run.Kill(SIGCONT);
        const int status = run.Wait();
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "wait status " << status;
        EXPECT_EQ(Contents(tmp.Path()), std::vector<std::string>{});
    }

    // An extraction interrupted with SIGINT ignored, as a shell leaves it for background jobs.
    ScopedTempDir tmp;
    ProgramUnderTest run(tree.WorkingDirectory("ignored"), tmp.Path(),
                         {{}, {}, {SIGINT}, StopAt("BRINDLE_TEST_STOP_AT_FILE", "/module.ifo")});
    ASSERT_TRUE(run.WaitUntilStopped()) << "wait status " << run.Wait() << ": " << run.Output();
    run.Kill(SIGINT);
    run.Kill(SIGCONT);
    const int status = run.Wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status;
    EXPECT_EQ(Contents(tmp.Path()), std::vector<std::string>{});
}

// The report's files are written after the script is in place, each through a temporary file: one
// interrupted while it is written leaves the script and nothing else.
TEST(HostileRunTest, InterruptedReportLeavesNoTemporaryFile)
{
    GameTree tree;
    std::vector<test::ZipEntry> models;
    for (int i = 0; i < 60000; ++i)
        models.push_back({"Models/P_HHM_CL_BODY" + std::to_string(i) + ".MDB", "m"});
    test::WriteZip(tree.Install() + "/Data/many.zip", models);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        const std::string work = tree.WorkingDirectory("report" + std::to_string(signal));
        std::string settings = test::ReadFile(work + "/Brindlewhistler.ini");
        settings.insert(settings.find("[paths]"), "report = r\n");
        WriteFile(work + "/Brindlewhistler.ini", settings);
        ScopedTempDir tmp;
        // Stopped the moment the page's temporary file is made, and signalled while it is there.
        ProgramUnderTest run(work, tmp.Path(), {{}, {}, {}, StopAt("BRINDLE_TEST_STOP_AT_FILE", "r.html.tmp")});
        ASSERT_TRUE(run.WaitUntilStopped()) << "wait status " << run.Wait() << ": " << run.Output();
        const std::vector<std::string> during = Contents(work);
        EXPECT_TRUE(std::any_of(during.begin(), during.end(),
                                [](const std::string& name) { return name.starts_with("r.html.tmp"); }));
        run.Kill(signal);
        run.Kill(SIGCONT);
        const int status = run.Wait();
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "wait status " << status;
        std::vector<std::string> left = Contents(work);
        std::sort(left.begin(), left.end());
        EXPECT_EQ(left, (std::vector<std::string>{"Brindlewhistler.ini", kScriptName}));
    }
}

// A "regular" file that waits for data forever when read (the kernel log, root only). The run
// reads what is there and goes on.
TEST(HostileRunTest, GameFileThatBlocksOnReadDoesNotHangTheRun)
{
    const char* kBlockingFile = "/proc/kmsg";
    const int probe = ::open(kBlockingFile, O_RDONLY | O_NONBLOCK);
    if (probe < 0)
        GTEST_SKIP() << kBlockingFile << " cannot be opened here (it needs root)";
    ::close(probe);
    GameTree tree;
    ASSERT_EQ(::symlink(kBlockingFile, (tree.Override() + "/gender.2da").c_str()), 0);
    ScopedTempDir tmp;
    ProgramUnderTest run(tree.WorkingDirectory("blocking"), tmp.Path());
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (!run.HasExited() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(run.HasExited()) << "the run still waits on " << kBlockingFile;
    const int status = run.Wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(run.Output().find("ERROR"), std::string::npos) << run.Output();
    EXPECT_EQ(Contents(tmp.Path()), std::vector<std::string>{});
}

// Another zip library's regression archives (broken end records, inconsistent offsets and counts,
// zip64, several disks, encryption, empty archives), each as the only Data archive of a run: none
// may crash or hang the run, leave anything in the temporary folder or change the script, since
// none holds a table or a model.
TEST(HostileRunTest, PeerRegressionArchivesAsTheOnlyDataArchive)
{
    BRINDLE_REQUIRE_CORPORA(corpora);
    std::vector<std::string> archives;
    for (const auto& item : fs::directory_iterator(corpora + "/libzip-regress"))
        if (item.is_regular_file() && item.path().filename() != "LICENSE")
            archives.push_back(item.path().string());
    std::sort(archives.begin(), archives.end());
    ASSERT_FALSE(archives.empty()) << corpora;

    GameTree tree;
    fs::remove_all(tree.Install() + "/Data");
    test::MakeDirectories(tree.Install() + "/Data");
    const Outcome withoutArchive = RunToEnd(tree.WorkingDirectory("reference"), ScopedTempDir().Path());
    for (const std::string& archive : archives) {
        SCOPED_TRACE(archive);
        fs::copy_file(archive, tree.Install() + "/Data/peer.zip", fs::copy_options::overwrite_existing);
        ScopedTempDir tmp;
        const std::string work = tree.WorkingDirectory("peer");
        ProgramUnderTest run(work, tmp.Path());
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        while (!run.HasExited() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(2ms);
        ASSERT_TRUE(run.HasExited()) << "the run hangs";
        const int status = run.Wait();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status;
        EXPECT_EQ(run.Output().find("ERROR"), std::string::npos) << run.Output();
        EXPECT_EQ(test::ReadFile(work + "/" + kScriptName), withoutArchive.script);
        EXPECT_EQ(Contents(tmp.Path()), std::vector<std::string>{});
    }
}

} // namespace
} // namespace brindle
