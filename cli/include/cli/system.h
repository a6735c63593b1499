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

// Prepares the process before anything else: the table of texts in its code page, and the
// removal of unfinished outputs when it is interrupted. Gives the arguments after the
// program's name.
std::vector<std::string> startProgram(int argc, char** argv);

enum class Stream { input, output, error };

bool isTerminal(Stream stream);
// Writes all of the text; on a Windows console in its own characters.
void writeText(Stream stream, const std::string& text);
// One line typed on the terminal of standard input, not shown while typed, without its line
// break; nothing when the input ends first.
std::optional<std::string> readHiddenLine(const std::string& prompt);

// How this system writes paths, and what the names given to the program are.
PathStyle pathStyle();
std::vector<NamedPath> namedPaths(const std::vector<std::string>& names);

std::unique_ptr<BinaryFile> systemFiles();

}  // namespace zel::cli
