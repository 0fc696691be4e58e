// The driver: configuration, checks, the lister run and the one error handler.
#include "app/Driver.h"

#include "app/ReportOutput.h"
#include "app/RunReport.h"
#include "app/ScriptOutput.h"
#include "app/Settings.h"
#include "app/TeeTextOut.h"
#include "platform/Process.h"
#include "resources/PlainException.h"

#include <boost/filesystem/operations.hpp>

#include <memory>
#include <optional>

namespace brindle {

namespace {

constexpr const char* kModuleNotSet = "Module not set.";
constexpr const char* kInstallNotSet = "NWN2 install location not set.";
constexpr const char* kInstallMissing = "NWN2 install location does not exist.";
constexpr const char* kHomeNotSet = "NWN2 home location not set.";
constexpr const char* kHomeMissing = "NWN2 home location does not exist.";
// The one line a failed run shows, with the failure's text.
constexpr const char* kErrorLineFormat = "\nERROR: '%s'";
/// Written before the usual checks when the configuration file is there but cannot be read.
constexpr const char* kSettingsUnreadableWarning = "WARNING: Brindlewhistler.ini exists but cannot be read.\n";

/// The option's text; a missing option is refused with notSet.
std::string RequireText(const OptionAccessor& options, const char* name, const char* notSet)
{
    std::string text;
    if (!options.GetText(name, text))
        throw PlainException(notSet);
    return text;
}

/// The path must name something that exists (a file will do), else missing is raised. File-system
/// errors other than "not found" propagate with the library's text.
void RequireExisting(const std::string& path, const char* missing)
{
    if (!boost::filesystem::exists(boost::filesystem::path(path)))
        throw PlainException(missing);
}

void RunChecked(IDebugTextOut& console, const ListerRun& run, const std::string& directory)
{
    const std::string settingsPath =
        directory.empty() ? std::string(kSettingsFileName) : directory + "/" + kSettingsFileName;
    SettingsFileState state = SettingsFileState::Read;
    const OptionAccessor options = ReadSettingsFile(settingsPath, &state);
    if (state == SettingsFileState::Unreadable)
        console.WriteText(kSettingsUnreadableWarning);

    const std::string module = RequireText(options, kOptionModule, kModuleNotSet);
    // An empty name would make the whole modules folder the module.
    if (module.empty())
        throw PlainException(kModuleNotSet);
    // "~/" paths as a shell would take them.
    const std::string install = platform::ExpandUserHome(RequireText(options, kOptionInstallPath, kInstallNotSet));
    RequireExisting(install, kInstallMissing);
    const std::string home = platform::ExpandUserHome(RequireText(options, kOptionHomePath, kHomeNotSet));
    RequireExisting(home, kHomeMissing);

    if (!run)
        return;
    // With a report the run's console text is also kept, for the report's list of warnings.
    std::string reportBase;
    options.GetText(kOptionReport, reportBase);
    std::unique_ptr<RunReport> report;
    std::optional<TeeTextOut> tee;
    if (!reportBase.empty()) {
        report = std::make_unique<RunReport>(module, install, home);
        tee.emplace(console);
    }
    IDebugTextOut& runConsole = tee ? static_cast<IDebugTextOut&>(*tee) : console;

    ScriptOutput script(directory);
    run(RunContext{runConsole, options, script.Stream(), module, install, home, report.get()});
    script.Commit();
    if (report) {
        report->SetWarnings(SelectWarnings(tee->Writes()));
        WriteReportFiles(*report, reportBase, directory, console);
    }
}

} // namespace

int RunDriver(IDebugTextOut& console, const ListerRun& run, const std::string& directory)
{
    try {
        RunChecked(console, run, directory);
    } catch (const std::exception& e) {
        console.WriteText(kErrorLineFormat, e.what());
    }
    return 0;
}

} // namespace brindle
