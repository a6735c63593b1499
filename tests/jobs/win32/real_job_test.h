// A fresh temporary folder and the Win32 file system, for the jobs on real files.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "win32/win32_binary_file.h"
#include "tests/support/job_runs.h"
#include "tests/support/processes.h"
#include "tests/support/real_files.h"

namespace zel::test {

class RealJobTest : public testing::Test {
protected:
    TempFolder folder;
    Win32BinaryFile files;

    std::string code(const std::string& selection, int16_t count, const std::string& destination,
                     RecordingHost& host) {
        return runCoding(files, selection, count, destination, host);
    }
    void decode(const std::string& source, const std::string& destination, RecordingHost& host) {
        runDecoding(files, source, destination, host);
    }
};

}  // namespace zel::test
