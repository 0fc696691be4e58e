// For tests of the Windows build under Wine: reaching the host system beneath it, to run its
// programs (an independent extractor, a file cutter) on the test's files.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brindle::test {

/// True when this Windows program runs under Wine.
bool UnderWine();

/// The host system's path of a file, through Wine's own conversion; empty when there is none.
std::string HostPath(const std::string& path);

/// Runs a host program by its host path with arguments (each passed as one word) and waits for it.
/// What it wrote to standard output when it exited with status 0; nullopt otherwise, or when it
/// cannot be started (on Windows itself).
std::optional<std::string> RunHostProgram(const std::string& program, const std::vector<std::string>& arguments);

} // namespace brindle::test
