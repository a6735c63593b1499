#include "cipher/byte_transform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <set>
#include <tuple>

#include "cipher/coded_file.h"
#include "tests/support/test_bytes.h"

namespace zel::test {
namespace {

std::string show(const CodingKey& key) {
    return std::to_string(key.k1) + "," + std::to_string(key.k2) + "," + std::to_string(key.k3);
}

TEST(ByteTransform, ByteAboveAllKeyNumbersIsUnchanged) {
    for (const CodingKey key : {CodingKey{50, 99, 120}, CodingKey{200, 10, 199}, CodingKey{0, 0, 0},
                                CodingKey{-5, 254, -99}}) {
        const int top = std::max({int{key.k1}, int{key.k2}, int{key.k3}});
        for (int x = std::max(top + 1, 0); x < 256; ++x) {
            EXPECT_EQ(codeByte(key, x), x) << show(key);
            EXPECT_EQ(decodeByte(key, x), x) << show(key);
        }
    }
}

TEST(ByteTransform, ThreeEqualNumbersMirrorOnce) {
    for (const int16_t k : {0, 1, 50, 128, 254, 255}) {
        const CodingKey key{k, k, k};
        for (int x = 0; x < 256; ++x) {
            const int expected = x <= k ? k - x : x;
            EXPECT_EQ(codeByte(key, x), expected) << k << " " << x;
            EXPECT_EQ(decodeByte(key, x), expected) << k << " " << x;
        }
    }
}

TEST(ByteTransform, TypedNumbersAbove255DecodeModulo256) {
    for (const int16_t k : {256, 300, 511, 999}) {
        const CodingKey key{k, k, k};
        for (int x = 0; x < 256; ++x) {
            EXPECT_EQ(decodeByte(key, x), (k - x) % 256) << k << " " << x;
        }
    }
}

// Worked out by hand, stage by stage.
TEST(ByteTransform, KnownAnswers) {
    const std::tuple<CodingKey, Bytes, Bytes> vectors[] = {
        // 0 -> 50 -> 49 -> 206; 50 -> 0 -> 99 -> 156; 51 -> 51 -> 48 -> 207;
        // 100 -> 100 -> 100 -> 155; 255 -> 255 -> 255 -> 0
        {{50, 99, 255}, {0, 50, 51, 100, 255}, {206, 156, 207, 155, 0}},
        // 0 -> 200 -> 200 -> 200; 60 -> 140 -> 140 -> 140; 150 -> 50 -> 50 -> 10;
        // 199 -> 1 -> 99 -> 99; 201 unchanged
        {{200, 100, 60}, {0, 60, 150, 199, 201}, {200, 140, 10, 99, 201}},
        // Equal second and third numbers cancel: 10 -> 70 -> 130 -> 70; 77 -> 3 -> 197 -> 3;
        // 200 -> 200 -> 0 -> 200
        {{80, 200, 200}, {10, 77, 200}, {70, 3, 200}},
    };
    for (const auto& [key, plain, coded] : vectors) {
        Bytes codedFile = bytesOf("ZEL");
        codedFile.insert(codedFile.end(), coded.begin(), coded.end());
        EXPECT_EQ(codedFileOf(key, plain), codedFile) << "the tests' reference, " << show(key);
        for (std::size_t i = 0; i < plain.size(); ++i) {
            EXPECT_EQ(codeByte(key, plain[i]), coded[i]) << show(key) << " @" << i;
            EXPECT_EQ(decodeByte(key, coded[i]), plain[i]) << show(key) << " @" << i;
        }
    }
}

// They also agree with the tests' reference (codedFileOf), which works the rules out on its own.
TEST(ByteTransform, DrawnKeysArePermutationsThatDecodeBack) {
    Bytes all(256);
    std::iota(all.begin(), all.end(), uint8_t{0});
    double reading = 3600.0;
    for (int i = 0; i < 500; ++i) {
        const CodingKey key = drawCodingKey([&] { return reading += 0.001; });
        const Bytes reference = codedFileOf(key, all);
        std::set<int> coded;
        for (int b = 0; b < 256; ++b) {
            ASSERT_EQ(codeByte(key, b), reference[3 + b]) << show(key);
            coded.insert(codeByte(key, b));
            ASSERT_EQ(decodeByte(key, codeByte(key, b)), b) << show(key);
        }
        ASSERT_EQ(coded.size(), 256u) << show(key);
    }
}

// Keys of the byte-wide fast path (0 and negatives included) and of the general path, with
// a number above 255 in each position on its own.
const CodingKey blockKeys[] = {
    {0, 0, 0},       {-12, -34, -56}, {-99, 255, 0},  {255, 255, 255}, {1, 2, 3},
    {50, 99, 255},   {200, 100, 60},  {256, 0, 255},  {0, 256, 255},   {255, 100, 256},
    {256, 256, 256}, {999, 999, 999}, {300, 50, 999}, {256, -5, 700},  {17, 600, 17},
};

TEST(ByteTransform, BlocksMatchBytesInAndOutOfPlace) {
    // All 256 values three times over, plus an odd tail, starting off any 16- or 32-byte
    // boundary; lengths either side of both vector widths, and a whole chunk.
    Bytes all(256 * 3 + 45);
    std::iota(all.begin(), all.end(), uint8_t{0});
    const std::size_t lengths[] = {all.size(), 1, 15, 17, 31, 33, 255, 800};
    for (const CodingKey& key : blockKeys) {
        for (const std::size_t length : lengths) {
            for (const bool coding : {true, false}) {
                SCOPED_TRACE(show(key) + (coding ? " coding" : " decoding"));
                const Bytes in(all.begin(), all.begin() + length);
                Bytes expected, out(length + 1), inPlace = in;
                for (const uint8_t b : in) {
                    expected.push_back(coding ? codeByte(key, b) : decodeByte(key, b));
                }
                const auto block = coding ? codeBlock : decodeBlock;
                block(key, in.data(), out.data() + 1, length);
                EXPECT_EQ(Bytes(out.begin() + 1, out.end()), expected);
                block(key, inPlace.data(), inPlace.data(), length);
                EXPECT_EQ(inPlace, expected);
            }
        }
    }
}

TEST(ByteTransform, ChunkedEqualsWhole) {
    const Bytes data = pseudoRandomBytes(5000, 7);
    for (const CodingKey& key : blockKeys) {
        Bytes whole(data.size()), chunked(data.size());
        codeBlock(key, data.data(), whole.data(), data.size());
        for (std::size_t at = 0; at < data.size(); at += 800) {
            codeBlock(key, data.data() + at, chunked.data() + at,
                      std::min<std::size_t>(800, data.size() - at));
        }
        EXPECT_EQ(chunked, whole) << show(key);
    }
}

// Every path the processor can run, not only the one it chooses, against the byte functions:
// every length to 2,100 (the vector loops, their tails and what lies between), the source and
// the output each starting at an offset that moves through all 64 alignments with the length,
// and in place; nothing outside the output may change.
TEST(ByteTransform, EveryRunnablePathMatchesTheBytesAtEveryLengthAndStart) {
    constexpr std::size_t longest = 2100, slack = 64;
    const Bytes source = pseudoRandomBytes(longest + slack, 21);
    const Bytes around = pseudoRandomBytes(longest + 2 * slack, 22);
    const CodingKey keys[] = {
        {0, 0, 0}, {-12, 255, 1}, {50, 99, 255}, {200, 100, 60}, {256, -5, 700}};
    const char* const pathNames[] = {"portable", "AVX2", "AVX-512"};
    const std::vector<TransformPath> paths = runnableTransformPaths();
    ASSERT_EQ(paths.front(), TransformPath::portable);
    for (const TransformPath path : paths) {
        for (const CodingKey& key : keys) {
            for (const bool coding : {true, false}) {
                SCOPED_TRACE(pathNames[static_cast<int>(path)] + (" " + show(key)) +
                             (coding ? " coding" : " decoding"));
                const auto block = coding ? codeBlockOn : decodeBlockOn;
                for (std::size_t length = 0; length <= longest; ++length) {
                    const std::size_t from = length % slack,
                                      to = (length * 7 + length / slack) % slack;
                    const uint8_t* in = source.data() + from;
                    Bytes expected = around;
                    for (std::size_t i = 0; i < length; ++i) {
                        expected[slack + to + i] =
                            coding ? codeByte(key, in[i]) : decodeByte(key, in[i]);
                    }
                    Bytes out = around;
                    block(path, key, in, out.data() + slack + to, length);
                    ASSERT_TRUE(out == expected) << "length " << length;
                    Bytes inPlace = around;
                    std::copy(in, in + length, inPlace.begin() + slack + to);
                    block(path, key, inPlace.data() + slack + to, inPlace.data() + slack + to,
                          length);
                    ASSERT_TRUE(inPlace == expected) << "in place, length " << length;
                }
            }
        }
    }
}

TEST(CodedFile, MarkerAcceptance) {
    const std::pair<std::string, bool> cases[] = {
        {"ZEL", true},  {"", false},    {"Z", false},   {"ZE", false},  {"zel", false},
        {"ZEl", false}, {"XEL", false}, {"ZXL", false}, {"ZEX", false},
    };
    for (const auto& [text, accepted] : cases) {
        const Bytes bytes = bytesOf(text);
        EXPECT_EQ(isCodedFileMarker(bytes.data(), bytes.size()), accepted) << '"' << text << '"';
    }
}

}  // namespace
}  // namespace zel::test
