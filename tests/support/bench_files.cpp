#include "tests/support/bench_files.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace zel::test {

void makeRandomFile(const AnyPath& path, int64_t length) {
    const win32::KernelHandle file = openFile(path, GENERIC_WRITE, 0, CREATE_NEW);
    constexpr int64_t blockSize = 1 << 20;
    for (int64_t written = 0; written < length; written += blockSize) {
        const Bytes block =
            pseudoRandomBytes(static_cast<std::size_t>(std::min(blockSize, length - written)),
                              static_cast<uint32_t>(written / blockSize));
        writeAll(file.get(), block.data(), block.size(), path);
    }
}

void copyInChunks(const AnyPath& from, const AnyPath& to, std::size_t chunkSize) {
    const win32::KernelHandle source =
        openFile(from, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
    const win32::KernelHandle destination = openFile(to, GENERIC_WRITE, 0, CREATE_NEW);
    std::vector<uint8_t> chunk(chunkSize);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(source.get(), chunk.data(), static_cast<DWORD>(chunkSize), &got, nullptr)) {
            throw std::runtime_error("cannot read " + from.narrow());
        }
        if (got == 0) {
            return;
        }
        writeAll(destination.get(), chunk.data(), got, to);
    }
}

void flushToDisk(const AnyPath& path) {
    FlushFileBuffers(openFile(path, GENERIC_WRITE, 0, OPEN_EXISTING).get());
}

double secondsOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

Summary summaryOf(std::vector<double> seconds) {
    std::sort(seconds.begin(), seconds.end());
    return {seconds.front(), seconds[seconds.size() / 2]};
}

}  // namespace zel::test
