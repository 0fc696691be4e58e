// Keeping the console window of a run started by a double-click open until its output is read.
#pragma once

#include "app/IDebugTextOut.h"

#include <functional>

namespace brindle {

/// When soleProcess (the system opened the console for this run alone and closes it when the run
/// ends), asks on console for Enter and calls wait; otherwise does nothing.
void HoldWindowOpen(IDebugTextOut& console, bool soleProcess, const std::function<void()>& wait);

} // namespace brindle
