// brindlewhistler --init: a first Brindlewhistler.ini, with the folders and the module the tool
// finds by itself.
#pragma once

#include "app/GameFolderSearch.h"
#include "app/IDebugTextOut.h"

#include <optional>
#include <string>
#include <vector>

namespace brindle {

/// What --init found to write.
struct InitFindings {
    std::optional<FoundFolder> install;
    std::optional<FoundFolder> home;
    /// The modules of the home modules folder (packed and unpacked), most recently changed first.
    std::vector<std::string> modules;
};

/// The home folder's modules: .mod archives and folders that hold a module.ifo, by name without
/// extension, most recently changed first (ties by name). Names the configuration file cannot
/// hold ("#", line ends, white space at either end) are left out.
std::vector<std::string> ListModules(const std::string& home);

/// The configuration text for findings, laid out and commented as the example configuration.
std::string InitialSettingsText(const InitFindings& findings);

/// Writes Brindlewhistler.ini into directory (empty: the working directory) when there is none
/// yet, and tells on console what it wrote and what to do next. Returns the exit status: 0 when
/// written, 1 when a file was already there (nothing is changed) or writing failed.
int WriteInitialSettings(IDebugTextOut& console, const IFolderSearchSystem& system, SearchPlaces places,
                         const std::string& directory = std::string());

} // namespace brindle
