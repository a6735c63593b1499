// The coding and decoding jobs on a real file, against a plain copy in the same 800-byte reads
// and writes. Windows build, run under Wine by hand:
//   job_bench [folder [MiB]]      (default: Z:\tmp, 256 MiB)
// Prints the best of three timed runs after a warm-up, and the ratios job/copy and decode/copy
// (target: at most 1.15). Exits non-zero when the decoded file differs from the original.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "jobs/coding_job.h"
#include "jobs/decoding_job.h"
#include "jobs/job_host.h"
#include "jobs/shared_state.h"
#include "jobs/win32_binary_file.h"

namespace {

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (valid()) {
            CloseHandle(handle_);
        }
    }
    FileHandle(FileHandle&& other) noexcept
        : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
    FileHandle& operator=(FileHandle&&) = delete;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

FileHandle openToRead(const std::string& path) {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid()) {
        throw std::runtime_error("cannot open " + path);
    }
    return file;
}

FileHandle createToWrite(const std::string& path) {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        throw std::runtime_error("cannot create " + path);
    }
    return file;
}

// A window that shows nothing; it gives back the key text of the last coding run.
class SilentHost final : public zel::JobHost {
public:
    std::string typedKey;
    int infos = 0;

    void showStatus(const std::string&) override {}
    void showSourceText(const std::string&) override {}
    void showDestinationText(const std::string&) override {}
    void showKeyText(const std::string&) override {}
    void setButtonsEnabled(bool) override {}
    void setBusyPointer(bool) override {}
    void setProgressRange(int32_t, int32_t) override {}
    void setProgressStep(int32_t) override {}
    void stepProgress() override {}
    void showInfo(const std::string& text) override {
        ++infos;
        std::fprintf(stderr, "job message: %s\n", text.c_str());
    }
    std::string readKeyEntryText() override { return typedKey; }
    void setKeyEntryText(const std::string&) override {}
};

void makeRandomFile(const std::string& path, int64_t length) {
    FileHandle file = createToWrite(path);
    std::vector<uint64_t> block(1 << 17);  // 1 MiB
    uint64_t state = 0x9E3779B97F4A7C15u;
    for (int64_t written = 0; written < length;) {
        for (uint64_t& word : block) {
            // splitmix64
            uint64_t z = (state += 0x9E3779B97F4A7C15u);
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
            word = z ^ (z >> 31);
        }
        const auto count = static_cast<DWORD>(
            std::min<int64_t>(length - written, static_cast<int64_t>(block.size() * 8)));
        DWORD done = 0;
        if (!WriteFile(file.get(), block.data(), count, &done, nullptr) || done != count) {
            throw std::runtime_error("cannot write " + path);
        }
        written += count;
    }
}

// The plain copy the jobs are held against: the same 800-byte reads, one write per chunk.
void copyInChunks(const std::string& from, const std::string& to) {
    FileHandle source = openToRead(from);
    FileHandle destination = createToWrite(to);
    uint8_t chunk[800];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(source.get(), chunk, sizeof chunk, &got, nullptr)) {
            throw std::runtime_error("cannot read " + from);
        }
        if (got == 0) {
            return;
        }
        DWORD written = 0;
        if (!WriteFile(destination.get(), chunk, got, &written, nullptr) || written != got) {
            throw std::runtime_error("cannot write " + to);
        }
    }
}

bool sameContent(const std::string& a, const std::string& b) {
    FileHandle fileA = openToRead(a);
    FileHandle fileB = openToRead(b);
    constexpr DWORD blockSize = 8u << 20;
    std::vector<uint8_t> blockA(blockSize), blockB(blockSize);
    for (;;) {
        DWORD gotA = 0, gotB = 0;
        ReadFile(fileA.get(), blockA.data(), blockSize, &gotA, nullptr);
        ReadFile(fileB.get(), blockB.data(), blockSize, &gotB, nullptr);
        if (gotA != gotB || !std::equal(blockA.begin(), blockA.begin() + gotA, blockB.begin())) {
            return false;
        }
        if (gotA == 0) {
            return true;
        }
    }
}

// Writes a file's data to disk, so that the next timed run does not share the machine with the
// write-back of this one's output: otherwise whatever runs later in a round pays for the earlier.
void settle(const std::string& path) {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.valid()) {
        FlushFileBuffers(file.get());
    }
}

// User and kernel time of this process: less disturbed than the wall time when other work
// shares the machine.
double processorSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto seconds = [](const FILETIME& time) {
        return static_cast<double>((static_cast<uint64_t>(time.dwHighDateTime) << 32) |
                                   time.dwLowDateTime) *
               1e-7;
    };
    return seconds(kernel) + seconds(user);
}

struct Timing {
    double wall = 1e30;
    double processor = 1e30;
};

Timing timingOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    const double processorStart = processorSeconds();
    work();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            processorSeconds() - processorStart};
}

void keepBest(Timing& best, const Timing& run) {
    best.wall = std::min(best.wall, run.wall);
    best.processor = std::min(best.processor, run.processor);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : "Z:\\tmp";
    const int64_t mebibytes = argc > 2 ? std::atoll(argv[2]) : 256;
    const std::string base =
        folder + "\\zel-job-bench-" + std::to_string(GetCurrentProcessId()) + "-";
    const std::string original = base + "original";
    const std::string copied = base + "copied";
    const std::string coded = base + "coded";
    const std::string decoded = base + "decoded";
    const auto removeOutputs = [&] {
        for (const std::string* path : {&copied, &coded, &decoded}) {
            DeleteFileA(path->c_str());
        }
    };

    zel::Win32BinaryFile files;
    SilentHost host;
    const auto code = [&] {
        zel::SharedState state;
        state.sourceSelection = original;
        state.sourceCount = 1;
        state.destinationPath = coded;
        zel::runCodingJob(state, host, files);
        host.typedKey = state.keyText;
    };
    const auto decode = [&] {
        zel::SharedState state;
        state.sourceSelection = coded;
        state.destinationPath = decoded;
        zel::runDecodingJob(state, host, files);
    };

    int exitCode = 0;
    try {
        std::printf("%lld MiB of pseudo-random bytes in %s\n", static_cast<long long>(mebibytes),
                    folder.c_str());
        makeRandomFile(original, mebibytes << 20);
        settle(original);

        Timing bestCopy, bestCode, bestDecode;
        for (int round = 0; round <= 3; ++round) {
            removeOutputs();
            const Timing copy = timingOf([&] { copyInChunks(original, copied); });
            settle(copied);
            const Timing coding = timingOf(code);
            settle(coded);
            const Timing decoding = timingOf(decode);
            settle(decoded);
            std::printf(
                "%s copy %.3f s (cpu %.3f s), code %.3f s (cpu %.3f s), decode %.3f s "
                "(cpu %.3f s)\n",
                round == 0 ? "warm-up:" : "run:    ", copy.wall, copy.processor, coding.wall,
                coding.processor, decoding.wall, decoding.processor);
            if (round > 0) {
                keepBest(bestCopy, copy);
                keepBest(bestCode, coding);
                keepBest(bestDecode, decoding);
            }
        }
        const bool decodedEqual = host.infos == 0 && sameContent(original, decoded);
        const double mibs = static_cast<double>(mebibytes);
        std::printf(
            "best of 3: copy %.3f s (%.0f MiB/s), code %.3f s (%.0f MiB/s), decode %.3f s "
            "(%.0f MiB/s)\n",
            bestCopy.wall, mibs / bestCopy.wall, bestCode.wall, mibs / bestCode.wall,
            bestDecode.wall, mibs / bestDecode.wall);
        std::printf("code/copy %.3f, decode/copy %.3f (target at most 1.15)\n",
                    bestCode.wall / bestCopy.wall, bestDecode.wall / bestCopy.wall);
        std::printf("processor time: code/copy %.3f, decode/copy %.3f\n",
                    bestCode.processor / bestCopy.processor,
                    bestDecode.processor / bestCopy.processor);
        std::printf("decoded file %s the original\n", decodedEqual ? "equals" : "DIFFERS FROM");
        exitCode = decodedEqual ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "job_bench: %s\n", error.what());
        exitCode = 2;
    }
    removeOutputs();
    DeleteFileA(original.c_str());
    return exitCode;
}
