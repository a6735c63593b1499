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
void runOverBuffer(benchmark::State& state, Transform transform) {
    const std::vector<uint8_t> in = zel::test::pseudoRandomBytes(bufferSize, 12345);
    std::vector<uint8_t> out(bufferSize);
    for (auto _ : state) {
        transform(in.data(), out.data(), bufferSize);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bufferSize);
}

void codeBlock(benchmark::State& state) {
    runOverBuffer(state, [](auto in, auto out, auto n) { zel::codeBlock(drawnKey, in, out, n); });
}
void decodeBlock(benchmark::State& state) {
    runOverBuffer(state, [](auto in, auto out, auto n) { zel::decodeBlock(drawnKey, in, out, n); });
}
void decodeBlockTypedKeyAbove255(benchmark::State& state) {
    runOverBuffer(state, [](auto in, auto out, auto n) { zel::decodeBlock(typedKey, in, out, n); });
}
void copyWithMemcpy(benchmark::State& state) {
    runOverBuffer(state, [](auto in, auto out, auto n) { std::memcpy(out, in, n); });
}

BENCHMARK(codeBlock);
BENCHMARK(decodeBlock);
BENCHMARK(decodeBlockTypedKeyAbove255);
BENCHMARK(copyWithMemcpy);

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
    TimeKeepingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto& times = reporter.timePerIteration;
    const auto copy = times.find("copyWithMemcpy");
    if (copy == times.end()) {
        return 0;
    }
    for (const char* name : {"codeBlock", "decodeBlock", "decodeBlockTypedKeyAbove255"}) {
        if (const auto found = times.find(name); found != times.end()) {
            std::printf("%s takes %.2f times the CPU time of memcpy\n", name,
                        found->second / copy->second);
        }
    }
    return 0;
}
