#pragma once

#include "cipher/coding_key.h"
#include "jobs/binary_file.h"
#include "jobs/job_host.h"
#include "jobs/shared_state.h"

namespace zel {

// Codes every chosen source into a coded file under one freshly drawn key, then shows the key
// text and returns the window to idle. A file that cannot be read or written is reported and
// skipped; the run goes on with the next one.
void runCodingJob(SharedState& state, JobHost& host, BinaryFile& files,
                  const TimeOfDayClock& clock = localTimeOfDay);

// The names of file k (1-based) of a run over `count` files.
struct CodingNames {
    std::string sourcePath;
    std::string destinationPath;
};
CodingNames codingNames(const std::string& selection, const std::string& destination, int count,
                        int k);

// "Now coding file... k/ n"
std::string codingStatusText(int k, int n);

}  // namespace zel
