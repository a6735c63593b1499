// A fresh temporary folder and the Win32 file system, for the jobs on real files.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jobs/win32_binary_file.h"
#include "tests/support/job_runs.h"
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

    // The selection the chooser makes of several files in one folder.
    static std::string selectionOf(const std::string& inFolder,
                                   const std::vector<std::string>& names) {
        std::string selection = inFolder + '\0';
        for (const std::string& name : names) {
            selection += name + '\0';
        }
        return selection;
    }
};

}  // namespace zel::test
