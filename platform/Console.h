// The process console: where every line of the report goes. On systems without a console API the
// text goes to standard output as bytes; a text attribute becomes a terminal colour only when
// standard output is a terminal.
#pragma once

#include <cstddef>
#include <cstdint>

namespace brindle::platform {

/// Gives the process a console when it has none. Where standard output is the console, makes sure a
/// console that cannot be written (a closed pipe) only fails the write and does not end the process.
void AllocateConsole();
/// Undoes AllocateConsole (the last of several calls does).
void ReleaseConsole();

/// Writes length bytes of text to the console in one write, in the given character attribute
/// (the console's colour bits: 1 blue, 2 green, 4 red, 8 bright; the same four bits shifted by four
/// for the background). Failures are ignored.
void WriteConsoleText(std::uint16_t attribute, const char* text, std::size_t length);

/// True when the process is the only one on its console: the system opened the console for it
/// (started by a double-click) and closes it the moment the process ends. Always false where
/// consoles do not work that way (POSIX), and when started from a console, a script or a pipe.
bool IsSoleConsoleProcess();
/// Waits until Enter is pressed (a line is read from standard input) or the input ends.
void WaitForEnter();

/// Room for the longest terminal colour sequence FormatColourSequence produces.
inline constexpr std::size_t kColourSequenceCapacity = 16;
/// Writes the terminal colour sequence selecting attribute into out and returns its length; 0 for
/// the plain attribute 7, which is written without any sequence.
std::size_t FormatColourSequence(std::uint16_t attribute, char (&out)[kColourSequenceCapacity]);
/// Resets the terminal colours after a coloured text.
inline constexpr char kColourReset[] = "\x1b[0m";

} // namespace brindle::platform
