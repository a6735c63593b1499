// Throughput of the byte transform on 64 KiB buffers, against a plain copy of the same buffer.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "cipher/byte_transform.h"
#include "tests/support/test_bytes.h"

namespace {

constexpr std::size_t bufferSize = 64 * 1024;

// A key as the coding job draws it (every number 50..255): the byte-wide path.
constexpr zel::CodingKey drawnKey{173, 64, 219};
// Typed numbers above 255 take the general path.
constexpr zel::CodingKey typedKey{300, 999, 256};

template <typename Transform>
void overOneBuffer(benchmark::State& state, Transform transform) {
    const std::vector<uint8_t> in = zel::test::pseudoRandomBytes(bufferSize, 12345);
    std::vector<uint8_t> out(bufferSize);
    for (auto _ : state) {
        transform(in.data(), out.data(), bufferSize);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bufferSize);
}

BENCHMARK_CAPTURE(overOneBuffer, codeBlock,
                  [](auto in, auto out, auto n) { zel::codeBlock(drawnKey, in, out, n); });
BENCHMARK_CAPTURE(overOneBuffer, decodeBlock,
                  [](auto in, auto out, auto n) { zel::decodeBlock(drawnKey, in, out, n); });
BENCHMARK_CAPTURE(overOneBuffer, decodeBlockTypedKeyAbove255,
                  [](auto in, auto out, auto n) { zel::decodeBlock(typedKey, in, out, n); });
BENCHMARK_CAPTURE(overOneBuffer, copyWithMemcpy,
                  [](auto in, auto out, auto n) { std::memcpy(out, in, n); });

// Coding on each path the processor can run, not only the one codeBlock takes; their names.
std::vector<std::string> registerEveryPath() {
    std::vector<std::string> names;
    for (const zel::TransformPath path : zel::runnableTransformPaths()) {
        const char* const pathNames[] = {"portable", "avx2", "avx512"};
        names.push_back(std::string("codeBlockOn/") + pathNames[static_cast<int>(path)]);
        benchmark::RegisterBenchmark(("overOneBuffer/" + names.back()).c_str(),
                                     [path](benchmark::State& state) {
                                         overOneBuffer(state, [path](auto in, auto out, auto n) {
                                             zel::codeBlockOn(path, drawnKey, in, out, n);
                                         });
                                     });
    }
    return names;
}

// The console report (without colours), keeping each benchmark's CPU time per iteration for the
// ratios at the end: CPU time rather than wall time, as the machine may be shared.
class TimeKeepingReporter : public benchmark::ConsoleReporter {
public:
    TimeKeepingReporter() : ConsoleReporter(OO_Tabular) {}

    std::map<std::string, double> timePerIteration;

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                timePerIteration[run.benchmark_name()] = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    std::vector<std::string> names = {"codeBlock", "decodeBlock", "decodeBlockTypedKeyAbove255"};
    for (const std::string& name : registerEveryPath()) {
        names.push_back(name);
    }
    TimeKeepingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto& times = reporter.timePerIteration;
    const auto copy = times.find("overOneBuffer/copyWithMemcpy");
    if (copy == times.end()) {
        return 0;
    }
    for (const std::string& name : names) {
        if (const auto found = times.find("overOneBuffer/" + name); found != times.end()) {
            std::printf("%s takes %.2f times the CPU time of memcpy\n", name.c_str(),
                        found->second / copy->second);
        }
    }
    return 0;
}
