// The program's frame: reads the configuration, checks it, hands over to the lister run inside the
// one error handler that reports every failure on the console.
#pragma once

#include "app/IDebugTextOut.h"
#include "app/OptionAccessor.h"

#include <functional>
#include <ostream>
#include <string>

namespace brindle {

class RunReport;

/// What a run does with the script it makes.
enum class RunMode {
    Write, ///< puts it in place (and the report, when configured)
    Check, ///< writes nothing and tells whether the script in place would change
};

/// Exit statuses of a check: the script in place is what the run makes; it would change (or there
/// is none); the run failed.
inline constexpr int kCheckUnchanged = 0;
inline constexpr int kCheckWouldChange = 1;
inline constexpr int kCheckFailed = 2;

/// What the lister run is given once the settings have been checked.
struct RunContext {
    IDebugTextOut& console;
    const OptionAccessor& options;
    /// The script's text; written as given, so line ends are the writer's own.
    std::ostream& script;
    std::string module;
    std::string install;
    std::string home;
    /// Filled by the run when a report was asked for; null otherwise.
    RunReport* report = nullptr;
};

/// The lister run. It reports failure by throwing a std::exception; the script replaces the
/// earlier one only when the run returns normally.
using ListerRun = std::function<void(const RunContext&)>;

/// Runs the program: reads kSettingsFileName from directory (empty: the working directory),
/// checks module, installation path and home path in that order, then performs run with a fresh
/// script stream and puts the finished script in place; when a script was there before, the
/// change summary follows, then the report's files when a report is configured. Without a run the
/// program ends after the checks and the script file is left alone. Every std::exception is
/// reported as one "\nERROR: '%s'" line on console. Returns the exit status, always 0.
///
/// In RunMode::Check nothing is written: the run's script is kept in memory and compared with the
/// one in place, the change summary is shown, and the result is kCheckUnchanged when the two are
/// byte for byte the same, kCheckWouldChange when they differ or none is in place, kCheckFailed
/// when the run failed.
int RunDriver(IDebugTextOut& console, const ListerRun& run, const std::string& directory = std::string(),
              RunMode mode = RunMode::Write);

} // namespace brindle
