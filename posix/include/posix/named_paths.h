// What the names given to a program (its command line) are, on POSIX.
#pragma once

#include <string>
#include <vector>

#include "jobs/source_choice.h"

namespace zel::posix {

// Each name made absolute against the current folder (without the "." parts, repeated
// slashes and a trailing slash, which change nothing; ".." stays, as it depends on links),
// with what it names. A name that is there but cannot be looked at is taken as a file: the
// job tells whether it can be read.
std::vector<NamedPath> namedPaths(const std::vector<std::string>& names);

}  // namespace zel::posix
