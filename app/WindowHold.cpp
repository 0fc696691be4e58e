// The closing prompt of a run started by a double-click.
#include "app/WindowHold.h"

namespace brindle {

namespace {

constexpr const char* kPressEnterLine = "\nPress Enter to close this window.";

} // namespace

void HoldWindowOpen(IDebugTextOut& console, bool soleProcess, const std::function<void()>& wait)
{
    if (!soleProcess)
        return;
    console.WriteText(kPressEnterLine);
    wait();
}

} // namespace brindle
