// The coding and decoding jobs as a person runs them: zel.exe started, the file picked in the
// platform's file dialogs, "Code file", the key typed back, "Decode file"; against plain copies
// of the same file in 800-byte and in 1 MiB reads and writes. Windows build, run by hand under
// Wine on a display (xvfb-run):
//   dialog_bench [MiB [runs [folder]]]      (default: 256 MiB, 5 runs, the tmpfs that
//                                            bench/bench-folder.sh mounts)
// Prints each run, then best and median, the ratios to both copies (targets: at most 1.6x the
// 1 MiB copy and 0.5x the 800-byte copy), and one run more in the system's temporary folder on
// the disk. The jobs run in zel.exe, whose processor time Wine does not report to other
// processes, so only wall-clock times are compared; run it on an otherwise idle machine. Exits
// non-zero when a decoded file differs from the original or a run fails.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/bench_files.h"
#include "tests/support/zel_driver.h"

namespace {

using namespace zel::test;
using namespace zel::ui;

// What a run times, in this order.
constexpr const char* timedSteps[] = {"copy 800 B", "copy 1 MiB", "code", "decode"};
enum Step { smallCopy, largeCopy, coding, decoding };
using RunTimes = std::array<double, 4>;

// Clicks a job's button and waits for its end. The status display is first set to a text no
// job shows; a job ends by showing the idle status, so a job of a few milliseconds cannot slip
// past the wait. The text is read as the window system holds it, without asking the busy
// program, which would slow the job being timed.
double timedJob(const ZelProcess& zel, int button) {
    zel.setText(statusDisplay, "timing");
    const HWND status = zel.control(statusDisplay);
    const auto idle = [status] {
        wchar_t shown[64] = {};
        InternalGetWindowText(status, shown, 64);
        return narrowOf(shown) == zel::test::idleStatus;
    };
    return secondsOf([&] {
        zel.click(button);
        if (!waitUntil(idle, jobLimit, milliseconds(1))) {
            throw std::runtime_error("the job did not end");
        }
    });
}

void choose(const ZelProcess& zel, const std::wstring& source, const std::wstring& destination) {
    if (!chooseSources(zel, source) || !chooseDestination(zel, destination)) {
        throw std::runtime_error("the file dialogs did not answer");
    }
}

// One run of the copies and of both jobs through a fresh zel.exe in the folder; on the disk each
// output is written through before the next step.
RunTimes runOnce(const TempFolder& folder, bool flushOutputs) {
    const std::wstring source = folder / L"source.bin";
    const std::vector<std::wstring> outputs = {folder / L"copy-800.bin", folder / L"copy-1m.bin",
                                               folder / L"coded.zel", folder / L"decoded.bin"};
    RunTimes times{};
    const auto took = [&](Step step, double seconds) {
        times[step] = seconds;
        if (flushOutputs) {
            flushToDisk(outputs[step]);
        }
    };
    took(smallCopy, secondsOf([&] { copyInChunks(source, outputs[smallCopy], 800); }));
    took(largeCopy, secondsOf([&] { copyInChunks(source, outputs[largeCopy], 1 << 20); }));

    const ZelProcess zel(folder.widePath());
    choose(zel, L"source.bin", L"coded.zel");
    took(coding, timedJob(zel, codeButton));
    const std::string key = zel.text(keyDisplay);
    choose(zel, L"coded.zel", L"decoded.bin");
    typeKey(zel, key);
    took(decoding, timedJob(zel, decodeButton));
    zel.quit();

    if (key.size() != 9 || !compareFiles(source, outputs[decoding]).empty()) {
        throw std::runtime_error("the decoded file differs from the original (key " + key + ")");
    }
    for (const std::wstring& output : outputs) {
        removeTree(output);
    }
    return times;
}

// The runs in one folder; with several, best and median of each.
void benchIn(const TempFolder& folder, int64_t mebibytes, int runs, bool onDisk) {
    makeRandomFile(folder / L"source.bin", mebibytes << 20);
    std::printf("%lld MiB in %s (%s), %d run%s\n", static_cast<long long>(mebibytes),
                folder.path().c_str(), onDisk ? "disk" : "tmpfs", runs, runs > 1 ? "s" : "");
    if (onDisk) {
        flushToDisk(folder / L"source.bin");
    }
    std::array<std::vector<double>, 4> samples;
    for (int run = 1; run <= runs; ++run) {
        const RunTimes times = runOnce(folder, onDisk);
        std::printf("run %d:", run);
        for (int step = smallCopy; step <= decoding; ++step) {
            std::printf(" %s %.3f s%s", timedSteps[step], times[step],
                        step < decoding ? "," : "\n");
            samples[step].push_back(times[step]);
        }
    }
    if (runs > 1) {
        std::array<Summary, 4> s;
        for (int step = smallCopy; step <= decoding; ++step) {
            s[step] = summaryOf(samples[step]);
            std::printf("%-12s best %7.3f s (%5.0f MiB/s), median %7.3f s\n", timedSteps[step],
                        s[step].best, static_cast<double>(mebibytes) / s[step].best,
                        s[step].median);
        }
        for (const Step job : {coding, decoding}) {
            std::printf(
                "%-7s best %.2fx the 1 MiB copy, %.2fx the 800-byte copy; median %.2fx, %.2fx\n",
                timedSteps[job], s[job].best / s[largeCopy].best, s[job].best / s[smallCopy].best,
                s[job].median / s[largeCopy].median, s[job].median / s[smallCopy].median);
        }
        std::printf("targets: at most 1.6x the 1 MiB copy and 0.5x the 800-byte copy\n");
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int64_t mebibytes = argc > 1 ? std::atoll(argv[1]) : 256;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const std::string tmpfs = argc > 3 ? argv[3] : tmpfsFolder;
    if (!pathExists(tmpfs)) {
        std::fprintf(stderr, "no folder %s: mount it with bench/bench-folder.sh\n", tmpfs.c_str());
        return 2;
    }
    try {
        benchIn(TempFolder(tmpfs, "zel-dialog-bench-"), mebibytes, runs, false);
        benchIn(TempFolder({}, "zel-dialog-bench-"), mebibytes, 1, true);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
