// Sources of 2 GiB and more, made up on demand and written into sinks that keep only a digest.
#include <gtest/gtest.h>

#include <limits>

#include "cipher/byte_transform.h"
#include "tests/support/memory_files.h"

namespace zel::test {
namespace {

const std::string source = "C:\\big\\in";
const std::string destination = "C:\\big\\out";
// A prime period, so the pattern's seams fall anywhere within the 800-byte chunks.
constexpr std::size_t period = 65521;

// Just past the signed 32-bit range, and just past the unsigned one.
constexpr int64_t lengths[] = {(int64_t{1} << 31) + 801, (int64_t{1} << 32) + 1};

int64_t chunksOf(int64_t length) {
    return (length + 799) / 800;
}

// The run reported nothing and scaled its progress to the top of the range.
void expectQuietRunToTheTop(const RecordingHost& host, int64_t total) {
    EXPECT_TRUE(host.infos().empty());
    EXPECT_LE(host.rangeHigh, std::numeric_limits<int32_t>::max());
    EXPECT_GT(host.rangeHigh, std::numeric_limits<int32_t>::max() / 4);
    EXPECT_EQ(host.stepTotal, host.rangeHigh);
    EXPECT_FALSE(host.passedTop);
    EXPECT_EQ(host.stepsMade, chunksOf(total));
}

TEST(BigSources, DigestOfRepeatedMatchesTheBytes) {
    const Bytes prefix = bytesOf("ZEL");
    const Bytes pattern = pseudoRandomBytes(7, 1);
    Bytes whole = prefix;
    for (int i = 0; i < 45; ++i) {
        whole.push_back(pattern[i % 7]);
    }
    StreamDigest digest;
    digest.add(whole.data(), 10);
    digest.add(whole.data() + 10, whole.size() - 10);
    EXPECT_EQ(digest, digestOfRepeated(prefix, pattern, 45));
}

// One test per length, so that each stays short under the sanitizers too.
class BigCodingSource : public ::testing::TestWithParam<int64_t> {};

TEST_P(BigCodingSource, CodingJobCodesTheWholeLength) {
    const Bytes pattern = pseudoRandomBytes(period, 11);
    const int64_t length = GetParam();
    MemoryRun r;
    r.host.recordProgress = false;
    r.files.sinkOutputs = true;
    r.files.putRepeated(source, pattern, length);
    EXPECT_TRUE(r.code({selectionOf({source}), 1, destination, "", ""}, fakeClock(5000.0)));
    const CodingKey key = parseKeyText(r.state.keyText);

    Bytes codedPattern = codedFileOf(key, pattern);
    codedPattern.erase(codedPattern.begin(), codedPattern.begin() + 3);  // the marker
    expectQuietRunToTheTop(r.host, length);
    ASSERT_TRUE(r.files.has(destination));
    const MemoryEntry& out = r.files.at(destination);
    EXPECT_EQ(out.digest.count, static_cast<uint64_t>(length) + 3);
    EXPECT_EQ(out.digest, digestOfRepeated(bytesOf("ZEL"), codedPattern, length));
    EXPECT_EQ(out.writeCalls, 1 + chunksOf(length));
}

INSTANTIATE_TEST_SUITE_P(BigSources, BigCodingSource, ::testing::ValuesIn(lengths));

TEST(BigSources, DecodingJobDecodesTheWholeLength) {
    const CodingKey key{201, 77, 150};
    // Repeating "ZEL" + body gives a coded file whose part after the marker repeats body + "ZEL".
    const Bytes body = pseudoRandomBytes(period - 3, 12);
    Bytes pattern = bytesOf("ZEL"), decodedPattern = body;
    pattern.insert(pattern.end(), body.begin(), body.end());
    decodedPattern.insert(decodedPattern.end(), pattern.begin(), pattern.begin() + 3);
    for (uint8_t& b : decodedPattern) {
        b = decodeByte(key, b);
    }

    const int64_t length = lengths[0] + 3;
    MemoryRun r;
    r.host.recordProgress = false;
    r.files.sinkOutputs = true;
    r.files.putRepeated(source, pattern, length);
    EXPECT_TRUE(r.decode({selectionOf({source}), 1, destination, "", ""}, formatKeyText(key)));

    expectQuietRunToTheTop(r.host, length - 3);
    ASSERT_TRUE(r.files.has(destination));
    EXPECT_EQ(r.files.at(destination).digest, digestOfRepeated({}, decodedPattern, length - 3));
}

}  // namespace
}  // namespace zel::test
