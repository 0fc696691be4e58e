// The command line: the program answers --help and --version, writes a first configuration for
// --init and checks with --check; every other argument is ignored and starts a normal run.
#pragma once

#include <cstdio>
#include <string>

namespace brindle {

enum class CommandLineRequest {
    Run,     ///< no request: read the configuration and write the script
    Check,   ///< "--check": the whole run, writing nothing; the exit status tells whether the script would change
    Help,    ///< "--help" or "-h": show the usage text
    Version, ///< "--version": show the program's name and version
    Init,    ///< "--init": write a first configuration file into the working directory
};

/// The first request among the arguments after the program name; Run when there is none.
CommandLineRequest ReadCommandLine(int argc, const char* const* argv);

/// The text --help shows: what the program does, its files, the options of the configuration file.
std::string UsageText();

/// The line --version shows: "brindlewhistler <version>" and a line end.
std::string VersionText();

/// Writes the text of a Help or Version request to out (an Init request is answered by the caller)
/// and returns the exit status: 0, or 1 when the text could not be written in full.
int AnswerRequest(CommandLineRequest request, std::FILE* out);

} // namespace brindle
