#include "tests/support/test_bytes.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <numeric>
#include <stdexcept>

namespace zel::test {

Bytes bytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

std::string asString(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

Bytes pseudoRandomBytes(std::size_t count, uint32_t seed) {
    Bytes bytes(count);
    uint32_t state = seed * 2654435761u + 1;
    for (uint8_t& b : bytes) {
        state = state * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(state >> 24);
    }
    return bytes;
}

Bytes codedFileOf(const CodingKey& key, const Bytes& plain) {
    // The rules as a table of what each byte value becomes. A key number k mirrors the values
    // 0..k onto each other (0 and k trade places, 1 and k - 1, ...): the first k + 1 entries of
    // the values in order, reversed. Coding mirrors by k1, then k2, then k3.
    std::array<uint8_t, 256> becomes;
    std::iota(becomes.begin(), becomes.end(), uint8_t{0});
    for (const int k : {key.k1, key.k2, key.k3}) {
        if (k > 255) {
            throw std::invalid_argument("a coding key's numbers are at most 255");
        }
        std::array<uint8_t, 256> mirrored;
        std::iota(mirrored.begin(), mirrored.end(), uint8_t{0});
        std::reverse(mirrored.begin(), mirrored.begin() + std::max(k + 1, 0));
        for (uint8_t& value : becomes) {
            value = mirrored[value];
        }
    }
    Bytes coded = bytesOf("ZEL");
    for (const uint8_t b : plain) {
        coded.push_back(becomes[b]);
    }
    return coded;
}

TimeOfDayClock fakeClock(double start, int fixedReadings, int* calls) {
    if (calls != nullptr) {
        *calls = 0;
    }
    int readings = 0;
    return [=]() mutable {
        if (calls != nullptr) {
            ++*calls;
        }
        ++readings;
        return readings <= fixedReadings ? start : start + (readings - fixedReadings) * 0.001;
    };
}

namespace {

#if defined(__GNUC__) || defined(__clang__)
#define ZEL_UNSANITIZED __attribute__((no_sanitize("address", "undefined")))
#else
#define ZEL_UNSANITIZED
#endif

// Sums of one block of at most 1024 bytes fit 32 bits, which the compiler vectorises. Left
// out of the sanitizers, which would stop that and make multi-gigabyte tests crawl; the
// caller hands in a copy whose reading the sanitizers did check.
ZEL_UNSANITIZED void sumBlock(const uint8_t* bytes, std::size_t size, uint32_t& sum,
                              uint32_t& weighted) {
    uint32_t blockSum = 0;  // locals: stores through the references might alias the bytes
    uint32_t blockWeighted = 0;
    for (std::size_t j = 0; j < size; ++j) {
        blockSum += bytes[j];
        blockWeighted += static_cast<uint32_t>(j) * bytes[j];
    }
    sum = blockSum;
    weighted = blockWeighted;
}

}  // namespace

void StreamDigest::add(const uint8_t* bytes, std::size_t n) {
    constexpr std::size_t block = 1024;
    uint8_t copy[block];
    for (std::size_t start = 0; start < n; start += block) {
        const std::size_t size = std::min(block, n - start);
        std::memcpy(copy, bytes + start, size);
        uint32_t blockSum = 0;
        uint32_t blockWeighted = 0;
        sumBlock(copy, size, blockSum, blockWeighted);
        weighted += (count + 1) * blockSum + blockWeighted;
        sum += blockSum;
        count += size;
    }
}

StreamDigest digestOfRepeated(const Bytes& prefix, const Bytes& pattern, int64_t patternLength) {
    StreamDigest digest;
    digest.add(prefix.data(), prefix.size());
    const uint64_t start = digest.count;  // position of the first pattern byte
    const uint64_t period = pattern.size();
    const uint64_t length = static_cast<uint64_t>(patternLength);
    for (uint64_t r = 0; r < period && r < length; ++r) {
        // Pattern byte r stands at positions start + r + t * period, t = 0 .. c - 1.
        const uint64_t c = length / period + (r < length % period ? 1 : 0);
        const uint64_t weights = c * (start + r + 1) + period * (c * (c - 1) / 2);
        digest.sum += c * pattern[r];
        digest.weighted += weights * pattern[r];
    }
    digest.count += length;
    return digest;
}

}  // namespace zel::test
