// The closing prompt: only for a run alone on its console, and then before waiting.
#include "app/WindowHold.h"
#include "platform/Console.h"
#include "platform/SystemFamily.h"
#include "tests/support/RecordingTextOut.h"

#include <gtest/gtest.h>

namespace brindle {
namespace {

TEST(WindowHoldTest, PromptsAndWaitsOnlyWhenAloneOnTheConsole)
{
    for (const bool alone : {false, true}) {
        test::RecordingTextOut console;
        std::string order;
        HoldWindowOpen(console, alone, [&] { order += "waited after '" + console.Text() + "'"; });
        EXPECT_EQ(order, alone ? "waited after '\nPress Enter to close this window.'" : "") << alone;
        EXPECT_EQ(console.Text(), alone ? "\nPress Enter to close this window." : "") << alone;
    }
}

TEST(WindowHoldTest, TestsAreNeverAloneOnAConsole)
{
    // The suite runs from a terminal, a script or a pipe: a run there must never wait.
    EXPECT_FALSE(platform::IsSoleConsoleProcess());
}

} // namespace
} // namespace brindle
