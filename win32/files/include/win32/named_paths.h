// Names handed to a program from outside, as the system gives them: the program's command line,
// read wide so that names in any script arrive, and what each name is.
#pragma once

#include <string>
#include <vector>

#include "jobs/source_choice.h"

namespace zel::win32 {

// The program's arguments after its own name.
std::vector<std::wstring> commandLineArguments();

// Each name made absolute against the current folder and put into the process's code page,
// with what it names; a name that the code page cannot hold exactly is unusable, whatever it
// names.
std::vector<NamedPath> namedPaths(const std::vector<std::wstring>& names);

}  // namespace zel::win32
