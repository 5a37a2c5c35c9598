#pragma once

#include <cstddef>
#include <string>

// Standard error as a person sees it. The one place that knows how a
// terminal is written to on each system.
namespace tovrin::cli {

// True when standard error is a terminal (a Windows console), not a file or
// a pipe.
bool ErrorIsTerminal();
// True when standard output is a terminal.
bool OutputIsTerminal();

// Writes UTF-8 text to standard error. A Windows console gets it through its
// wide API (its code page, 932 on the users' systems, would show UTF-8 bytes
// as garbage); a file, a pipe or another system's terminal gets the bytes.
void WriteError(const std::string& utf8);

// What takes the cursor to the start of the line and blanks the `width`
// characters drawn there: "\r" and the erase-line sequence where the
// terminal understands such sequences, else blanks written over them.
std::string EraseLineText(std::size_t width);

}  // namespace tovrin::cli
