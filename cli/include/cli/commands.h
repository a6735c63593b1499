// The command line's commands over the jobs: what "zel code" and "zel decode" do, given the
// arguments; the exit status comes back.
#pragma once

#include <string>
#include <vector>

namespace zel::cli {

// 0: everything was done; 1: a file failed or was refused (the others are still done);
// 2: the command line is wrong.
enum ExitStatus { allDone = 0, someFailed = 1, usageError = 2 };

// programName prefixes every message ("zel", "zelc").
int runCommandLine(const std::string& programName, const std::vector<std::string>& arguments);

}  // namespace zel::cli
