// What the command line needs of the system; one file per platform (posix_system.cpp,
// windows_system.cpp). Texts are in the process's code page throughout.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jobs/binary_file.h"
#include "jobs/source_choice.h"

namespace zel::cli {

// Prepares the process before anything else: the table of texts in its code page, the removal
// of unfinished outputs when it is interrupted, and a closed pipe told as a failed write rather
// than a signal. Gives the arguments after the program's name.
std::vector<std::string> startProgram(int argc, char** argv);

enum class Stream { input, output, error };

bool isTerminal(Stream stream);
// Writes all of the text; on a Windows console in its own characters. False when it could not:
// streamFailure() then says why.
bool writeText(Stream stream, const std::string& text);
// Writes what standard output has been given through to the disk, where it is a file; false when
// that fails. A terminal or a pipe has nothing to write through.
bool syncOutput();
// Closes standard output, which may report a write that failed late; false when it does.
bool closeOutput();
// Empty while every write to standard output and standard error has got through; else the
// system's words for the first failure.
std::string streamFailure();

// Whether the program has a terminal to ask on (/dev/tty, the console), whatever its standard
// streams are.
bool canPrompt();
// A line typed on the terminal, asked for and read there, not shown while typed, without its
// line break; nothing when the input ends first (Ctrl+D, Ctrl+Z).
std::optional<std::string> readHiddenLine(const std::string& prompt);
// From now on, an interrupt (Ctrl+C, SIGTERM, SIGHUP) first blanks the last `width` characters
// of standard error's line: the progress line that shows there.
void clearLineOnInterrupt(std::size_t width);

// How this system writes paths.
PathStyle pathStyle();
// Whether the name is that of a folder.
bool isFolder(const std::string& name);
// Whether the name reaches the file system as it was given: on Windows, a name with characters
// the code page cannot hold comes out changed, with '?' in their place, and is not used.
bool nameFits(const std::string& name);

std::unique_ptr<BinaryFile> systemFiles();

}  // namespace zel::cli
