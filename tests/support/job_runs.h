// The jobs run as the dialog starts them, checked to have ended idle. Needs GoogleTest.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "jobs/binary_file.h"
#include "jobs/coding_job.h"
#include "jobs/decoding_job.h"
#include "jobs/shared_state.h"
#include "tests/support/recording_host.h"

namespace zel::test {

// Codes the chosen files (selection as the chooser gives it) and gives the key text shown.
inline std::string runCoding(BinaryFile& files, const std::string& selection, int16_t count,
                             const std::string& destination, RecordingHost& host,
                             const TimeOfDayClock& clock = localTimeOfDay) {
    SharedState state;
    state.sourceSelection = selection;
    state.sourceCount = count;
    state.destinationPath = destination;
    runCodingJob(state, host, files, clock);
    EXPECT_TRUE(host.endedCodingRun(state.keyText)) << "the coding run did not end idle";
    return state.keyText;
}

// Decodes one chosen file with host.keyEntryText as the typed key.
inline void runDecoding(BinaryFile& files, const std::string& source,
                        const std::string& destination, RecordingHost& host) {
    SharedState state;
    state.sourceSelection = source + '\0';
    state.sourceCount = 1;
    state.destinationPath = destination;
    runDecodingJob(state, host, files);
    EXPECT_TRUE(host.endedDecodingRun()) << "the decoding run did not end idle";
}

}  // namespace zel::test
