// The driver: configuration, checks, the lister run and the one error handler.
#include "app/Driver.h"

#include "app/ChangeSummary.h"
#include "app/FolderNotFound.h"
#include "app/GameFolderSearch.h"
#include "app/ReadCapped.h"
#include "app/ReportOutput.h"
#include "app/RunReport.h"
#include "app/ScriptOutput.h"
#include "app/Settings.h"
#include "app/SystemFolderSearch.h"
#include "app/TeeTextOut.h"
#include "platform/Ascii.h"
#include "platform/Process.h"
#include "platform/SystemFailure.h"
#include "platform/SystemFamily.h"
#include "platform/TextFormat.h"
#include "resources/PlainException.h"

#include <boost/filesystem/operations.hpp>

#include <memory>
#include <new>
#include <optional>
#include <sstream>
#include <string_view>
#include <system_error>

namespace brindle {

namespace {

constexpr const char* kModuleNotSet = "Module not set.";
constexpr const char* kInstallNotSet = "NWN2 install location not set.";
constexpr const char* kInstallMissing = "NWN2 install location does not exist.";
constexpr const char* kHomeNotSet = "NWN2 home location not set.";
constexpr const char* kHomeMissing = "NWN2 home location does not exist.";
/// A folder whose existence the system cannot tell (no permission, a name too long, a loop of links).
constexpr const char* kInstallUncheckable = "NWN2 install location '%s' cannot be looked at: %s.";
constexpr const char* kHomeUncheckable = "NWN2 home location '%s' cannot be looked at: %s.";
/// Room for a message's own words beside the path and the system's reason.
constexpr std::size_t kMessageRoom = 256;
/// The exit status of a run the machine failed; every other run ends with 0.
constexpr int kMachineFailureStatus = 1;
// Memory ran out where no step said what it was doing; the system's reason follows.
constexpr const char* kRunOutOfMemory = "Not enough memory to finish the run";
// The one line a failed run shows, with the failure's text.
constexpr const char* kErrorLineFormat = "\nERROR: '%s'";
constexpr const char* kInstallNotFound = "NWN2 install location not found by auto.";
constexpr const char* kHomeNotFound = "NWN2 home location not found by auto.";
/// After a failed search, before the places it looked at, one a line.
constexpr const char* kLookedHeading = "\nLooked at:";
constexpr const char* kLookedLineFormat = "\n  %s";
/// Written before "Loading" for each folder that "auto" found.
constexpr const char* kFoundInstallLine = "Found the game at '%s' (%s).\n";
constexpr const char* kFoundHomeLine = "Found the home folder at '%s' (%s).\n";
/// The value that has the tool find a folder itself (any case).
constexpr std::string_view kAutoValue = "auto";
/// Written before the usual checks when the configuration file is there but cannot be read.
constexpr const char* kSettingsUnreadableWarning = "WARNING: Brindlewhistler.ini exists but cannot be read.\n";
/// A check that finds no script in place, after the statistics.
constexpr const char* kNoScriptToCheck = "\n\nNo zorvmantle_set_constants.NSS in place: a run would write one.";

/// An earlier script larger than this is not read back: no script of this tool comes near it.
constexpr std::size_t kMaxEarlierScriptSize = std::size_t{64} << 20;

/// The option's text; a missing option is refused with notSet.
std::string RequireText(const OptionAccessor& options, const char* name, const char* notSet)
{
    std::string text;
    if (!options.GetText(name, text))
        throw PlainException(notSet);
    return text;
}

/// The path must name something that exists (a file will do), else missing is raised; when the
/// system cannot tell, uncheckable with the path and the system's reason.
void RequireExisting(const std::string& path, const char* missing, const char* uncheckable)
{
    boost::system::error_code error;
    const boost::filesystem::file_type type = boost::filesystem::status(boost::filesystem::path(path), error).type();
    if (type == boost::filesystem::file_not_found)
        throw PlainException(missing);
    if (type != boost::filesystem::status_error)
        return;
    const std::string reason = error.message();
    throw PlainException(
        FormatBounded(kMessageRoom + path.size() + reason.size(), uncheckable, path.c_str(), reason.c_str()));
}

/// One of the two folders, as configured or as found.
struct Folder {
    std::string path;
    std::string how; ///< how "auto" found it; empty when configured
};

/// The folder the option names: its path ("~/" expanded), which must exist, or for "auto" the
/// folder the search finds, announced on console.
Folder ResolveFolder(IDebugTextOut& console, const std::string& text, bool install)
{
    if (!ascii::EqualsIgnoreCase(text, kAutoValue)) {
        Folder folder{platform::ExpandUserHome(text), {}};
        RequireExisting(folder.path, install ? kInstallMissing : kHomeMissing,
                        install ? kInstallUncheckable : kHomeUncheckable);
        return folder;
    }
    const SystemFolderSearch system;
    GameFolderSearch search(system, BRINDLE_POSIX ? SearchPlaces::Linux : SearchPlaces::Windows);
    const std::optional<FoundFolder> found = install ? search.FindInstall() : search.FindHome();
    if (!found)
        throw FolderNotFound(install ? kInstallNotFound : kHomeNotFound, search.Looked());
    console.WriteText(install ? kFoundInstallLine : kFoundHomeLine, found->path.c_str(), found->how.c_str());
    return Folder{found->path, found->how};
}

enum class EarlierScript { None, Unreadable, Read };

/// Reads the script in place at path into bytes.
EarlierScript ReadEarlierScript(const std::string& path, std::string& bytes)
{
    switch (ReadCapped(path, kMaxEarlierScriptSize, bytes)) {
    case ReadOutcome::Read:
        return EarlierScript::Read;
    case ReadOutcome::Missing:
        return EarlierScript::None;
    default:
        return EarlierScript::Unreadable;
    }
}

/// The earlier script's lists against those of text, the script the run wrote; nothing when the
/// run wrote no script of this tool.
std::optional<ChangeSummary> SummarizeChanges(EarlierScript state, std::string_view earlier, std::string_view text)
{
    return state == EarlierScript::Read ? ChangeSummary::CompareTexts(earlier, text) : ChangeSummary::NotCompared();
}

/// Compares the script a check made (text) with the script in place and shows the change summary;
/// the check's exit status.
int CompareWithScriptInPlace(IDebugTextOut& console, std::string_view text, const std::string& directory)
{
    std::string earlier;
    const EarlierScript state = ReadEarlierScript(ScriptPathIn(directory), earlier);
    if (state == EarlierScript::None) {
        console.WriteText(kNoScriptToCheck);
        return kCheckWouldChange;
    }
    if (const std::optional<ChangeSummary> changes = SummarizeChanges(state, earlier, text))
        changes->Print(console);
    return state == EarlierScript::Read && text == earlier ? kCheckUnchanged : kCheckWouldChange;
}

/// What the settings file gives a run, checked: the options, the module and both folders.
struct RunSettings {
    OptionAccessor options;
    std::string module;
    Folder install;
    Folder home;
};

/// Reads the settings file in directory and checks the module, then the installation and the home
/// folder, raising the first that fails.
RunSettings ReadRunSettings(IDebugTextOut& console, const std::string& directory)
{
    const std::string settingsPath =
        directory.empty() ? std::string(kSettingsFileName) : directory + "/" + kSettingsFileName;
    SettingsFileState state = SettingsFileState::Read;
    OptionAccessor options = ReadSettingsFile(settingsPath, &state);
    if (state == SettingsFileState::Unreadable)
        console.WriteText(kSettingsUnreadableWarning);

    std::string module = RequireText(options, kOptionModule, kModuleNotSet);
    // An empty name would make the whole modules folder the module.
    if (module.empty())
        throw PlainException(kModuleNotSet);
    // "~/" paths as a shell would take them.
    Folder install = ResolveFolder(console, RequireText(options, kOptionInstallPath, kInstallNotSet), true);
    Folder home = ResolveFolder(console, RequireText(options, kOptionHomePath, kHomeNotSet), false);
    return RunSettings{std::move(options), std::move(module), std::move(install), std::move(home)};
}

/// A check: the run's script is made in memory and compared with the one in place; no report.
int RunCheck(IDebugTextOut& console, const ListerRun& run, const RunSettings& settings, const std::string& directory)
{
    std::ostringstream text;
    run(RunContext{console, settings.options, text, settings.module, settings.install.path, settings.home.path,
                   nullptr});
    return CompareWithScriptInPlace(console, text.view(), directory);
}

/// Runs the lister into the script and puts the script in place; what changed against the script
/// it replaced, when there was one to compare with.
std::optional<ChangeSummary> WriteScript(IDebugTextOut& console, const ListerRun& run, const RunSettings& settings,
                                         const std::string& directory, RunReport* report)
{
    // Only a script in place before the run is compared with.
    const std::string scriptPath = ScriptPathIn(directory);
    const bool compare = platform::PathExists(scriptPath);
    ScriptOutput script(directory);
    run(RunContext{console, settings.options, script.Stream(), settings.module, settings.install.path,
                   settings.home.path, report});
    // Read before the new script replaces it.
    std::optional<ChangeSummary> changes;
    if (compare) {
        std::string earlier;
        const EarlierScript state = ReadEarlierScript(scriptPath, earlier);
        if (state != EarlierScript::None)
            changes = SummarizeChanges(state, earlier, script.Text());
    }
    script.Commit();
    return changes;
}

/// A run that writes the script, and the report when the settings name one.
int RunWriting(IDebugTextOut& console, const ListerRun& run, const RunSettings& settings, const std::string& directory)
{
    // With a report the run's console text is also kept, for the report's list of warnings.
    std::string reportBase;
    settings.options.GetText(kOptionReport, reportBase);
    std::unique_ptr<RunReport> report;
    std::optional<TeeTextOut> tee;
    if (!reportBase.empty()) {
        report = std::make_unique<RunReport>(settings.module, settings.install.path, settings.home.path);
        report->SetFolderOrigins(settings.install.how, settings.home.how);
        tee.emplace(console);
    }
    IDebugTextOut& runConsole = tee ? static_cast<IDebugTextOut&>(*tee) : console;
    std::optional<ChangeSummary> changes = WriteScript(runConsole, run, settings, directory, report.get());
    if (changes)
        changes->Print(console);
    if (report) {
        report->SetWarnings(SelectWarnings(tee->Writes()));
        report->SetChanges(std::move(changes));
        WriteReportFiles(*report, reportBase, directory, console);
    }
    return 0;
}

int RunChecked(IDebugTextOut& console, const ListerRun& run, const std::string& directory, RunMode mode)
{
    const RunSettings settings = ReadRunSettings(console, directory);
    if (!run)
        return 0;
    return mode == RunMode::Check ? RunCheck(console, run, settings, directory)
                                  : RunWriting(console, run, settings, directory);
}

} // namespace

int RunDriver(IDebugTextOut& console, const ListerRun& run, const std::string& directory, RunMode mode)
{
    // A check that fails says so whatever the cause; a plain run only when the machine was it.
    const int failed = mode == RunMode::Check ? kCheckFailed : 0;
    const int machineFailed = mode == RunMode::Check ? kCheckFailed : kMachineFailureStatus;
    try {
        return RunChecked(console, run, directory, mode);
    } catch (const FolderNotFound& e) {
        console.WriteText(kErrorLineFormat, e.what());
        console.WriteText(kLookedHeading);
        for (const std::string& place : e.Looked())
            console.WriteText(kLookedLineFormat, place.c_str());
    } catch (const platform::SystemFailure& e) {
        // The machine failed the run (no space, no memory, ...): the earlier files stay as they
        // were, and the status says the run did not happen.
        console.WriteText(kErrorLineFormat, e.what());
        return machineFailed;
    } catch (const std::bad_alloc&) {
        const platform::SystemFailure failure(kRunOutOfMemory, std::make_error_code(std::errc::not_enough_memory));
        console.WriteText(kErrorLineFormat, failure.what());
        return machineFailed;
    } catch (const std::exception& e) {
        console.WriteText(kErrorLineFormat, e.what());
    }
    return failed;
}

} // namespace brindle
