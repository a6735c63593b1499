// Runs one coding or decoding job on real files, as the dialog runs it (large blocks over the
// Win32 file system), and prints what the window would have shown: each message as one line
// "info: ..." (line breaks as " | ") and, after coding, "key: <nine digits>". The durability
// scripts run it under strace and two at a time.
//
//   zel_job_runner [--after <file>] code <destination> <source>...   (sources of one folder)
//   zel_job_runner [--after <file>] decode <coded file> <destination> <key text>
//
// --after first leaves "<file>.<process id>.ready" and then waits until the file exists before
// the job starts, so that two runners started apart begin their jobs at the same moment.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "jobs/buffered_files.h"
#include "jobs/coding_job.h"
#include "jobs/decoding_job.h"
#include "jobs/win32_binary_file.h"
#include "win32/unique_handle.h"  // <windows.h>, lean

namespace {

namespace win32 = zel::win32;

class PrintingHost final : public zel::JobHost {
public:
    explicit PrintingHost(std::string typedKey) : typedKey_(std::move(typedKey)) {}

    void showInfo(const std::string& text) override {
        std::string line = text;
        for (std::size_t at = line.find('\n'); at != std::string::npos; at = line.find('\n')) {
            line.replace(at, 1, " | ");
        }
        std::printf("info: %s\n", line.c_str());
    }
    void showKeyText(const std::string& text) override {
        if (!text.empty()) {
            std::printf("key: %s\n", text.c_str());
        }
    }
    std::string readKeyEntryText() override { return typedKey_; }
    void showStatus(const std::string&) override {}
    void showSourceText(const std::string&) override {}
    void showDestinationText(const std::string&) override {}
    void setButtonsEnabled(bool) override {}
    void setBusyPointer(bool) override {}
    void setProgressRange(int32_t, int32_t) override {}
    void setProgressStep(int32_t) override {}
    void stepProgress() override {}
    void setKeyEntryText(const std::string&) override {}

private:
    std::string typedKey_;
};

bool waitForFile(const std::string& path) {
    const std::string ready = path + "." + std::to_string(GetCurrentProcessId()) + ".ready";
    win32::KernelHandle readyFile(CreateFileA(ready.c_str(), GENERIC_WRITE, 0, nullptr,
                                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!readyFile.valid()) {
        return false;
    }
    for (int spins = 0; spins < 30'000'000; ++spins) {
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
            return true;
        }
        Sleep(0);
    }
    return false;
}

// The selection the source chooser makes: one path, or the folder and the names.
zel::SharedState codingChoice(const std::string& destination,
                              const std::vector<std::string>& sources) {
    zel::SharedState state;
    state.destinationPath = destination;
    state.sourceCount = static_cast<int16_t>(sources.size());
    if (sources.size() == 1) {
        state.sourceSelection = sources[0] + '\0';
        return state;
    }
    const std::string& first = sources[0];
    state.sourceSelection = first.substr(0, first.find_last_of('\\')) + '\0';
    for (const std::string& source : sources) {
        state.sourceSelection += source.substr(source.find_last_of('\\') + 1) + '\0';
    }
    return state;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 2 && args[0] == "--after") {
        if (!waitForFile(args[1])) {
            return 3;
        }
        args.erase(args.begin(), args.begin() + 2);
    }
    zel::Win32BinaryFile systemFiles;
    zel::BufferedFiles files(systemFiles);
    if (args.size() >= 3 && args[0] == "code") {
        zel::SharedState state =
            codingChoice(args[1], std::vector<std::string>(args.begin() + 2, args.end()));
        PrintingHost host("");
        zel::runCodingJob(state, host, files);
    } else if (args.size() == 4 && args[0] == "decode") {
        zel::SharedState state;
        state.sourceSelection = args[1] + '\0';
        state.sourceCount = 1;
        state.destinationPath = args[2];
        PrintingHost host(args[3]);
        zel::runDecodingJob(state, host, files);
    } else {
        std::fprintf(
            stderr,
            "usage: zel_job_runner [--after FILE] code DEST SOURCE... | decode CODED DEST KEY\n");
        return 2;
    }
    std::fflush(stdout);
    return 0;
}
