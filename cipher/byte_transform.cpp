#include "cipher/byte_transform.h"

#include <algorithm>
#include <array>

namespace zel {

namespace {

// With every key number at most 255 each stage stays within a byte, and a number of 0 or
// below changes nothing (as 0 does), so the stages run on bytes and the compiler turns the
// loop into vector code. Only typed numbers above 255 need the general path.
bool fitsByteStages(const CodingKey& key) {
    return key.k1 <= 255 && key.k2 <= 255 && key.k3 <= 255;
}

uint8_t stageNumber(int16_t k) {
    return static_cast<uint8_t>(std::max<int>(k, 0));
}

#if defined(__GNUC__)
#define ZEL_ALWAYS_INLINE __attribute__((always_inline)) inline
#else
#define ZEL_ALWAYS_INLINE inline
#endif

// Written so that the compiler turns it into vector code, for whichever instruction set the
// function that takes it in is compiled for.
ZEL_ALWAYS_INLINE void reflectLoop(uint8_t a, uint8_t b, uint8_t c, const uint8_t* in, uint8_t* out,
                                   std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        uint8_t x = in[i];
        x = x <= a ? static_cast<uint8_t>(a - x) : x;
        x = x <= b ? static_cast<uint8_t>(b - x) : x;
        x = x <= c ? static_cast<uint8_t>(c - x) : x;
        out[i] = x;
    }
}

// The transform is most of a job's own work. Every x86-64 processor has 16-byte vectors; most
// have 32-byte ones (AVX2), which halve the time, and many have AVX-512, whose mask registers
// make each stage two instructions where AVX2 needs four or more: a third of AVX2's time on the
// jobs' 800-byte chunks (32-byte vectors still, as the compiler prefers). GCC and Clang builds
// pick the best at run time.
#if defined(__GNUC__) && defined(__x86_64__)
void reflectBytesSse2(uint8_t a, uint8_t b, uint8_t c, const uint8_t* in, uint8_t* out,
                      std::size_t count) {
    reflectLoop(a, b, c, in, out, count);
}

__attribute__((target("avx2"))) void reflectBytesAvx2(uint8_t a, uint8_t b, uint8_t c,
                                                      const uint8_t* in, uint8_t* out,
                                                      std::size_t count) {
    reflectLoop(a, b, c, in, out, count);
}

__attribute__((target("avx512bw,avx512vl"))) void reflectBytesAvx512(uint8_t a, uint8_t b,
                                                                     uint8_t c, const uint8_t* in,
                                                                     uint8_t* out,
                                                                     std::size_t count) {
    reflectLoop(a, b, c, in, out, count);
}

void reflectBytes(uint8_t a, uint8_t b, uint8_t c, const uint8_t* in, uint8_t* out,
                  std::size_t count) {
    using Reflect = void (*)(uint8_t, uint8_t, uint8_t, const uint8_t*, uint8_t*, std::size_t);
    static const Reflect best =
        __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl")
            ? reflectBytesAvx512
        : __builtin_cpu_supports("avx2") ? reflectBytesAvx2
                                         : reflectBytesSse2;
    best(a, b, c, in, out, count);
}
#else
void reflectBytes(uint8_t a, uint8_t b, uint8_t c, const uint8_t* in, uint8_t* out,
                  std::size_t count) {
    reflectLoop(a, b, c, in, out, count);
}
#endif

template <typename ByteFunction>
void mapThroughTable(ByteFunction byteFunction, const uint8_t* in, uint8_t* out,
                     std::size_t count) {
    std::array<uint8_t, 256> table;
    for (int v = 0; v < 256; ++v) {
        table[v] = byteFunction(static_cast<uint8_t>(v));
    }
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = table[in[i]];
    }
}

}  // namespace

// The stages in the order given; keys that do not fit the byte stages go through a table of
// the byte function.
template <typename ByteFunction>
void transformBlock(const CodingKey& key, int16_t first, int16_t second, int16_t third,
                    ByteFunction byteFunction, const uint8_t* in, uint8_t* out, std::size_t count) {
    if (fitsByteStages(key)) {
        reflectBytes(stageNumber(first), stageNumber(second), stageNumber(third), in, out, count);
    } else {
        mapThroughTable(byteFunction, in, out, count);
    }
}

void codeBlock(const CodingKey& key, const uint8_t* in, uint8_t* out, std::size_t count) {
    transformBlock(
        key, key.k1, key.k2, key.k3, [&](uint8_t b) { return codeByte(key, b); }, in, out, count);
}

void decodeBlock(const CodingKey& key, const uint8_t* in, uint8_t* out, std::size_t count) {
    transformBlock(
        key, key.k3, key.k2, key.k1, [&](uint8_t c) { return decodeByte(key, c); }, in, out, count);
}

}  // namespace zel
