#include "cipher/byte_transform.h"

#include <algorithm>
#include <array>
#include <vector>

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

using Reflect = void (*)(uint8_t, uint8_t, uint8_t, const uint8_t*, uint8_t*, std::size_t);

// The loop compiled for the build's own target, which every processor it runs on can run: 16-byte
// vectors (SSE2) on x86-64, the target's own elsewhere.
void reflectBytesPortable(uint8_t a, uint8_t b, uint8_t c, const uint8_t* in, uint8_t* out,
                          std::size_t count) {
    reflectLoop(a, b, c, in, out, count);
}

// The transform is most of a job's own work. Most x86-64 processors have 32-byte vectors
// (AVX2), which halve the time, and many have AVX-512, whose mask registers make each stage two
// instructions where AVX2 needs four or more: a third of AVX2's time on the jobs' 800-byte
// chunks (32-byte vectors still, as the compiler prefers). GCC and Clang builds pick the best at
// run time.
#if defined(__GNUC__) && defined(__x86_64__)
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

Reflect reflectionOn(TransformPath path) {
    switch (path) {
        case TransformPath::avx512:
            return reflectBytesAvx512;
        case TransformPath::avx2:
            return reflectBytesAvx2;
        case TransformPath::portable:
            break;
    }
    return reflectBytesPortable;
}

void addVectorPaths(std::vector<TransformPath>& paths) {
    if (__builtin_cpu_supports("avx2")) {
        paths.push_back(TransformPath::avx2);
    }
    if (__builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl")) {
        paths.push_back(TransformPath::avx512);
    }
}
#else
Reflect reflectionOn(TransformPath) {
    return reflectBytesPortable;
}

void addVectorPaths(std::vector<TransformPath>&) {}
#endif

void reflectBytes(uint8_t a, uint8_t b, uint8_t c, const uint8_t* in, uint8_t* out,
                  std::size_t count) {
    static const Reflect best = reflectionOn(runnableTransformPaths().back());
    best(a, b, c, in, out, count);
}

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

// The stages in the order given, k1, k2, k3 to code and k3, k2, k1 to decode; keys that do
// not fit the byte stages go through a table of the byte function.
void transformBlock(Reflect reflect, bool coding, const CodingKey& key, const uint8_t* in,
                    uint8_t* out, std::size_t count) {
    if (!fitsByteStages(key)) {
        if (coding) {
            mapThroughTable([&](uint8_t b) { return codeByte(key, b); }, in, out, count);
        } else {
            mapThroughTable([&](uint8_t c) { return decodeByte(key, c); }, in, out, count);
        }
        return;
    }
    const int16_t first = coding ? key.k1 : key.k3;
    const int16_t last = coding ? key.k3 : key.k1;
    reflect(stageNumber(first), stageNumber(key.k2), stageNumber(last), in, out, count);
}

}  // namespace

void codeBlock(const CodingKey& key, const uint8_t* in, uint8_t* out, std::size_t count) {
    transformBlock(reflectBytes, true, key, in, out, count);
}

void decodeBlock(const CodingKey& key, const uint8_t* in, uint8_t* out, std::size_t count) {
    transformBlock(reflectBytes, false, key, in, out, count);
}

std::vector<TransformPath> runnableTransformPaths() {
    std::vector<TransformPath> paths{TransformPath::portable};
    addVectorPaths(paths);
    return paths;
}

void codeBlockOn(TransformPath path, const CodingKey& key, const uint8_t* in, uint8_t* out,
                 std::size_t count) {
    transformBlock(reflectionOn(path), true, key, in, out, count);
}

void decodeBlockOn(TransformPath path, const CodingKey& key, const uint8_t* in, uint8_t* out,
                   std::size_t count) {
    transformBlock(reflectionOn(path), false, key, in, out, count);
}

}  // namespace zel
