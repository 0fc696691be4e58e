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
/// script stream and puts the finished script in place; when a report is configured, its files
/// follow the script. Without a run the program ends after the
/// checks and the script file is left alone. Every std::exception is reported as one
/// "\nERROR: '%s'" line on console. Returns the exit status, always 0.
int RunDriver(IDebugTextOut& console, const ListerRun& run, const std::string& directory = std::string());

} // namespace brindle
