// Runs the tests, or, started with a child-role switch by a test, plays that role: a second
// process is what Wine needs to enforce a share mode, and what a test can kill mid-run.
#include <gtest/gtest.h>

#include <string>

#include "jobs/coding_job.h"
#include "jobs/shared_state.h"
#include "jobs/win32_binary_file.h"
#include "real_files.h"
#include "recording_host.h"

namespace {

int holdUnshared(const std::string& path, const std::string& readyEventName,
                 const std::string& parentId) {
    // Ending with the test program, even when it dies, keeps no orphan holding CTest's output.
    zeltest::UniqueHandle parent(
        OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(std::stoul(parentId))));
    if (!parent.valid()) {
        return 1;
    }
    zeltest::UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return 2;
    }
    zeltest::UniqueHandle ready(OpenEventA(EVENT_MODIFY_STATE, FALSE, readyEventName.c_str()));
    if (!ready.valid() || !SetEvent(ready.get())) {
        return 3;
    }
    WaitForSingleObject(parent.get(), INFINITE);
    return 0;
}

int codeFile(const std::string& source, const std::string& destination) {
    zel::SharedState state;
    state.sourceSelection = source;
    state.sourceCount = 1;
    state.destinationPath = destination;
    zeltest::RecordingHost host;
    zel::Win32BinaryFile files;
    zel::runCodingJob(state, host, files);
    return host.infos.empty() ? 0 : 4;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == zeltest::holdUnsharedRole) {
        return holdUnshared(argv[2], argv[3], argv[4]);
    }
    if (argc == 4 && std::string(argv[1]) == zeltest::codeFileRole) {
        return codeFile(argv[2], argv[3]);
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
