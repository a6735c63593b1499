// The coding and decoding jobs as the dialog runs them (BufferedFiles over Win32BinaryFile) on a
// real file, against plain copies in 800-byte and in 1 MiB reads and writes: the 1 MiB copy is
// the machine's limit. Windows build, run under Wine; bench/run-job-bench.sh gives it a folder
// in memory (tmpfs), where the disk's write-back does not hide the program's own cost.
//   job_bench <folder> [--disk <folder>] [--mib N] [--runs N] [--block-sizes]
// Prints best and median of the runs; --disk adds one run of each on that folder for the
// record; --block-sizes times the jobs with blocks of 64 KiB to 4 MiB.
// Exits non-zero when the decoded file differs from the original.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "jobs/buffered_files.h"
#include "tests/support/bench_files.h"
#include "tests/support/recording_host.h"
#include "win32/win32_binary_file.h"

namespace {

using namespace zel::test;

// The files of one folder and what is timed on them.
struct Bench {
    TempFolder folder;
    std::string original = folder / "original", copied = folder / "copied";
    std::string coded = folder / "coded", decoded = folder / "decoded";
    zel::Win32BinaryFile system;
    RecordingHost host;

    Bench(const std::string& base, int64_t mebibytes) : folder(base, "zel-job-bench-") {
        makeRandomFile(original, mebibytes << 20);
        flushToDisk(original);
        host.recordProgress = false;
    }

    void code(std::size_t blockSize) {
        DeleteFileA(coded.c_str());
        zel::BufferedFiles files(system, blockSize);
        zel::SharedState state{original, 1, coded, "", ""};
        runCoding(state, host, files);
        host.keyEntryText = state.keyText;
    }
    void decode(std::size_t blockSize) {
        DeleteFileA(decoded.c_str());
        zel::BufferedFiles files(system, blockSize);
        zel::SharedState state{coded, 1, decoded, "", ""};
        runDecoding(state, host, files);
    }
    // Written through to the disk at the end, as the jobs write their outputs.
    void copy(std::size_t chunkSize) {
        DeleteFileA(copied.c_str());
        copyInChunks(original, copied, chunkSize);
        flushToDisk(copied);
    }
};

struct Work {
    std::string name;
    std::function<void()> run;
};

// Runs every piece of work `runs` times, round after round, and prints best and median; the
// ratios are to the first piece of work.
void timeRounds(const std::vector<Work>& works, int runs, double mebibytes) {
    std::vector<std::vector<double>> seconds(works.size());
    for (int round = 0; round < runs; ++round) {
        for (std::size_t i = 0; i < works.size(); ++i) {
            seconds[i].push_back(secondsOf(works[i].run));
        }
    }
    const Summary base = summaryOf(seconds[0]);
    for (std::size_t i = 0; i < works.size(); ++i) {
        const Summary s = summaryOf(seconds[i]);
        std::printf("  %-28s best %6.3f s (%5.0f MiB/s, %4.2fx)  median %6.3f s (%4.2fx)\n",
                    works[i].name.c_str(), s.best, mebibytes / s.best, s.best / base.best, s.median,
                    s.median / base.median);
    }
}

std::vector<Work> standardWorks(Bench& bench) {
    return {{"copy, 1 MiB pieces", [&] { bench.copy(1 << 20); }},
            {"copy, 800-byte pieces", [&] { bench.copy(800); }},
            {"coding job", [&] { bench.code(zel::defaultFileBlockSize); }},
            {"decoding job", [&] { bench.decode(zel::defaultFileBlockSize); }}};
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string folder, diskFolder;
    int64_t mebibytes = 256;
    int runs = 5;
    bool blockSizes = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--disk" && hasValue) {
            diskFolder = args[++i];
        } else if (args[i] == "--mib" && hasValue) {
            mebibytes = std::atoll(args[++i].c_str());
        } else if (args[i] == "--runs" && hasValue) {
            runs = std::max(1, std::atoi(args[++i].c_str()));
        } else if (args[i] == "--block-sizes") {
            blockSizes = true;
        } else {
            folder = args[i];
        }
    }
    if (folder.empty()) {
        std::fprintf(stderr,
                     "usage: job_bench <folder> [--disk <folder>] [--mib N] [--runs N] "
                     "[--block-sizes]\n");
        return 2;
    }
    try {
        const auto mib = static_cast<double>(mebibytes);
        Bench bench(folder, mebibytes);
        std::printf("%lld MiB in %s, %d runs; jobs with blocks of %zu KiB\n",
                    static_cast<long long>(mebibytes), folder.c_str(), runs,
                    zel::defaultFileBlockSize >> 10);
        timeRounds(standardWorks(bench), runs, mib);
        const bool equal =
            bench.host.infos().empty() && compareFiles(bench.original, bench.decoded).empty();
        std::printf("decoded file %s the original\n", equal ? "equals" : "DIFFERS FROM");

        if (blockSizes) {
            std::vector<Work> works = {{"copy, 1 MiB pieces", [&] { bench.copy(1 << 20); }}};
            for (const std::size_t kib : {64, 256, 1024, 4096}) {
                const std::string size = std::to_string(kib) + " KiB";
                works.push_back({"coding, blocks of " + size, [&, kib] { bench.code(kib << 10); }});
                works.push_back(
                    {"decoding, blocks of " + size, [&, kib] { bench.decode(kib << 10); }});
            }
            std::printf("block sizes, %d runs:\n", runs);
            timeRounds(works, runs, mib);
        }
        if (!diskFolder.empty()) {
            Bench onDisk(diskFolder, mebibytes);
            std::printf("for the record, once on the disk in %s:\n", diskFolder.c_str());
            timeRounds(standardWorks(onDisk), 1, mib);
        }
        return equal ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "job_bench: %s\n", error.what());
        return 2;
    }
}
