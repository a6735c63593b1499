// Bytes for the tests: made up, coded as the coder must code them, and digested when too big to
// keep.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cipher/coding_key.h"

namespace zel::test {

using Bytes = std::vector<uint8_t>;

Bytes bytesOf(const std::string& text);
std::string asString(const Bytes& bytes);
// count bytes that look random, the same for the same seed on every platform.
Bytes pseudoRandomBytes(std::size_t count, uint32_t seed);

// What the coding job must write for `plain`: the marker, then every byte as the coding rules
// substitute it, worked out here from the rules and not by the product's transform, so that a
// fault in that cannot hide in its own reference. For keys as drawn: numbers up to 255.
Bytes codedFileOf(const CodingKey& key, const Bytes& plain);

// Nine digits, as a key is shown.
inline bool isKeyText(const std::string& text) {
    return text.size() == 9 && text.find_first_not_of("0123456789") == std::string::npos;
}

// Reads `start` for the first `fixedReadings` calls, then moves on by 1 ms per call. Counts
// its calls in *calls (from 0) when given.
TimeOfDayClock fakeClock(double start, int fixedReadings = 1, int* calls = nullptr);

// A cheap order-sensitive digest of a byte stream: count, sum and position-weighted sum
// (byte i weighs i + 1), all modulo 2^64.
struct StreamDigest {
    uint64_t count = 0;
    uint64_t sum = 0;
    uint64_t weighted = 0;

    void add(const uint8_t* bytes, std::size_t n);
    bool operator==(const StreamDigest& other) const {
        return count == other.count && sum == other.sum && weighted == other.weighted;
    }
};

// The digest of `prefix` followed by `pattern` repeated over `patternLength` bytes, worked out
// per pattern position instead of byte by byte.
StreamDigest digestOfRepeated(const Bytes& prefix, const Bytes& pattern, int64_t patternLength);

}  // namespace zel::test
