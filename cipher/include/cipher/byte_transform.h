// The keyed byte substitution: three mirror stages, applied k1, k2, k3 to code and
// k3, k2, k1 to decode. Each byte is transformed on its own, so chunking never matters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "cipher/coding_key.h"

namespace zel {

// Mirrors 0..k onto itself (x -> k - x) and leaves values above k alone.
constexpr int reflect(int k, int x) {
    return k - x >= 0 ? k - x : x;
}

constexpr uint8_t codeByte(const CodingKey& key, uint8_t b) {
    return static_cast<uint8_t>(reflect(key.k3, reflect(key.k2, reflect(key.k1, b))));
}

// The low eight bits: only typed key numbers above 255 can carry the value past a byte.
constexpr uint8_t decodeByte(const CodingKey& key, uint8_t c) {
    return static_cast<uint8_t>(reflect(key.k1, reflect(key.k2, reflect(key.k3, c))) & 0xFF);
}

// out[i] = codeByte(key, in[i]) for i < count; in and out may be the same buffer.
void codeBlock(const CodingKey& key, const uint8_t* in, uint8_t* out, std::size_t count);
// out[i] = decodeByte(key, in[i]) for i < count; in and out may be the same buffer.
void decodeBlock(const CodingKey& key, const uint8_t* in, uint8_t* out, std::size_t count);

// The instruction sets the blocks of byte-wide keys can run on: the portable loop, which every
// build has (16-byte vectors on x86-64), and in GCC and Clang builds for x86-64 AVX2 and AVX-512.
enum class TransformPath { portable, avx2, avx512 };

// The paths this processor can run, the portable one first and the one codeBlock and
// decodeBlock take last.
std::vector<TransformPath> runnableTransformPaths();

// codeBlock and decodeBlock on the path given, one of runnableTransformPaths(), so that tests and
// benchmarks reach the paths the processor does not choose.
void codeBlockOn(TransformPath path, const CodingKey& key, const uint8_t* in, uint8_t* out,
                 std::size_t count);
void decodeBlockOn(TransformPath path, const CodingKey& key, const uint8_t* in, uint8_t* out,
                   std::size_t count);

}  // namespace zel
