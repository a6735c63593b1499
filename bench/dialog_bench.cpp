// The coding and decoding jobs as a person runs them: zel.exe started, the file picked in the
// platform's file dialogs, "Code file", the key typed back, "Decode file"; against a plain copy
// in 800-byte reads and writes of the same file. Windows build, run by hand under Wine on a
// display (xvfb-run):
//   dialog_bench [folder [MiB [runs]]]      (default: Z:\tmp, 256 MiB, 3 runs)
// Prints each run, the best wall-clock times and the ratios code/copy and decode/copy (target:
// at most 1.25). The jobs run in zel.exe, whose processor time Wine does not report to other
// processes, so only wall-clock times are compared; run it on an otherwise idle machine. Exits
// non-zero when the decoded file differs from the original or a run fails.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "e2e_files.h"
#include "file_dialog_driver.h"

namespace {

using zel::test::milliseconds;
using zel::test::ZelProcess;
namespace control = zel::test::control;

// Owns a file handle.
class File {
public:
    explicit File(HANDLE handle) : handle_(handle) {}
    ~File() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            CloseHandle(handle_);
        }
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

std::string narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

void makeRandomFile(const std::wstring& path, int64_t length) {
    const File file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        throw std::runtime_error("cannot create " + narrow(path));
    }
    std::vector<uint64_t> block(1 << 17);  // 1 MiB
    uint64_t state = 0x9E3779B97F4A7C15u;
    for (int64_t written = 0; written < length;) {
        for (uint64_t& word : block) {
            uint64_t z = (state += 0x9E3779B97F4A7C15u);  // splitmix64
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
            word = z ^ (z >> 31);
        }
        const auto count = static_cast<DWORD>(
            std::min<int64_t>(length - written, static_cast<int64_t>(block.size() * 8)));
        DWORD done = 0;
        if (!WriteFile(file.get(), block.data(), count, &done, nullptr) || done != count) {
            throw std::runtime_error("cannot write " + narrow(path));
        }
        written += count;
    }
}

// The plain copy the jobs are held against: opened as the jobs open their files, 800-byte
// reads, one write per chunk.
void copyInChunks(const std::wstring& from, const std::wstring& to) {
    const File source(CreateFileW(from.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    const File destination(CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!source.valid() || !destination.valid()) {
        throw std::runtime_error("cannot open the files of the copy");
    }
    uint8_t chunk[800];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(source.get(), chunk, sizeof chunk, &got, nullptr)) {
            throw std::runtime_error("cannot read " + narrow(from));
        }
        if (got == 0) {
            return;
        }
        DWORD written = 0;
        if (!WriteFile(destination.get(), chunk, got, &written, nullptr) || written != got) {
            throw std::runtime_error("cannot write " + narrow(to));
        }
    }
}

// Writes a file's data to disk, so that a timed run does not share the machine with the
// write-back of the run before it.
void settle(const std::wstring& path) {
    const File file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.valid()) {
        FlushFileBuffers(file.get());
    }
}

// Wall-clock seconds of the work.
double timingOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Clicks a job's button and waits for its end. The wait only looks at the button's enabled
// state, which the window system answers without the program: asking the busy program itself
// would slow the job being timed.
void runJob(const ZelProcess& zel, int button) {
    const HWND codeButton = zel.control(control::codeButton);
    zel.click(button);
    if (!zel::test::waitUntil([&] { return !IsWindowEnabled(codeButton); }, milliseconds(30000)) ||
        !zel::test::waitUntil([&] { return IsWindowEnabled(codeButton) != 0; },
                              zel::test::jobLimit)) {
        throw std::runtime_error("the job did not start or end");
    }
}

void choose(const ZelProcess& zel, const std::wstring& source, const std::wstring& destination) {
    if (!zel::test::chooseSources(zel, source) || !zel::test::chooseDestination(zel, destination)) {
        throw std::runtime_error("the file dialogs did not answer");
    }
}

// Best and median of the runs' times.
struct Summary {
    double best = 0;
    double median = 0;
};

Summary summaryOf(std::vector<double> seconds) {
    std::sort(seconds.begin(), seconds.end());
    return {seconds.front(), seconds[seconds.size() / 2]};
}

void print(const char* what, const Summary& summary, double mebibytes) {
    std::printf("%-7s best %7.3f s (%4.0f MiB/s), median %7.3f s\n", what, summary.best,
                mebibytes / summary.best, summary.median);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folderArgument = argc > 1 ? argv[1] : "Z:\\tmp";
    const int64_t mebibytes = argc > 2 ? std::atoll(argv[2]) : 256;
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
    const std::wstring folder = zel::test::toWide(folderArgument) + L"\\zel-dialog-bench-" +
                                std::to_wstring(GetCurrentProcessId());
    if (!CreateDirectoryW(folder.c_str(), nullptr)) {
        std::fprintf(stderr, "cannot make %s\n", narrow(folder).c_str());
        return 2;
    }
    const std::wstring source = folder + L"\\source.bin";
    const std::wstring copy = folder + L"\\copy.bin";
    const std::wstring coded = folder + L"\\coded.zel";
    const std::wstring decoded = folder + L"\\decoded.bin";
    const auto removeOutputs = [&] {
        for (const std::wstring* path : {&copy, &coded, &decoded}) {
            DeleteFileW(path->c_str());
        }
    };
    int status = 0;
    try {
        makeRandomFile(source, mebibytes << 20);
        settle(source);
        std::printf("%lld MiB of pseudo-random bytes in %s, %d runs\n",
                    static_cast<long long>(mebibytes), narrow(folder).c_str(), runs);
        // A warm-up copy brings the source into the cache for every timed run alike.
        copyInChunks(source, copy);
        removeOutputs();

        std::vector<double> copyTimes, codeTimes, decodeTimes;
        for (int run = 1; run <= runs && status == 0; ++run) {
            const double copied = timingOf([&] { copyInChunks(source, copy); });
            settle(copy);

            const ZelProcess zel(narrow(folder));
            choose(zel, L"source.bin", L"coded.zel");
            const double codedTime = timingOf([&] { runJob(zel, control::codeButton); });
            const std::string key = zel.text(control::keyDisplay);
            settle(coded);

            choose(zel, L"coded.zel", L"decoded.bin");
            zel::test::typeKey(zel, key);
            const double decodedTime = timingOf([&] { runJob(zel, control::decodeButton); });
            settle(decoded);
            zel.click(control::quitButton);
            zel.waitForExit();

            std::printf("run %d: copy %.3f s, code %.3f s, decode %.3f s (key %s)\n", run, copied,
                        codedTime, decodedTime, key.c_str());
            if (key.size() != 9 || !zel::test::compareFiles(source, decoded).empty()) {
                std::fprintf(stderr, "the decoded file differs from the original\n");
                status = 1;
            }
            copyTimes.push_back(copied);
            codeTimes.push_back(codedTime);
            decodeTimes.push_back(decodedTime);
            removeOutputs();
        }
        const auto size = static_cast<double>(mebibytes);
        const Summary copySummary = summaryOf(copyTimes);
        const Summary codeSummary = summaryOf(codeTimes);
        const Summary decodeSummary = summaryOf(decodeTimes);
        print("copy", copySummary, size);
        print("code", codeSummary, size);
        print("decode", decodeSummary, size);
        std::printf("best:   code/copy %.3f, decode/copy %.3f (target at most 1.25)\n",
                    codeSummary.best / copySummary.best, decodeSummary.best / copySummary.best);
        std::printf("median: code/copy %.3f, decode/copy %.3f\n",
                    codeSummary.median / copySummary.median,
                    decodeSummary.median / copySummary.median);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        status = 2;
    }
    removeOutputs();
    DeleteFileW(source.c_str());
    RemoveDirectoryW(folder.c_str());
    return status;
}
