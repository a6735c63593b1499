#pragma once

#include "jobs/binary_file.h"
#include "jobs/job_host.h"
#include "jobs/shared_state.h"

namespace zel {

// Decodes the chosen coded file under the key text typed into the key entry, then returns the
// window to idle. Refuses a key text that is not nine characters and a file without the marker.
void runDecodingJob(SharedState& state, JobHost& host, BinaryFile& files);

}  // namespace zel
