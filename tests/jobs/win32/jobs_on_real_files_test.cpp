// The coding and decoding jobs on real files: what lands on disk, byte for byte, and under
// which names.
#include <gtest/gtest.h>

#include "cipher/byte_transform.h"
#include "cipher/coding_key.h"
#include "jobs/coding_job.h"
#include "jobs/decoding_job.h"
#include "jobs/shared_state.h"
#include "jobs/win32_binary_file.h"
#include "real_files.h"
#include "recording_host.h"

namespace {

using zeltest::Bytes;

class JobsOnRealFiles : public testing::Test {
protected:
    zeltest::TempFolder folder;
    zel::Win32BinaryFile files;

    std::string code(const std::string& selection, int16_t count, const std::string& destination,
                     zeltest::RecordingHost& host) {
        return zeltest::runCoding(files, selection, count, destination, host);
    }

    void decode(const std::string& source, const std::string& destination,
                zeltest::RecordingHost& host) {
        zeltest::runDecoding(files, source, destination, host);
    }

    static Bytes codedLayoutOf(const Bytes& source, const std::string& keyText) {
        const zel::CodingKey key = zel::parseKeyText(keyText);
        Bytes coded = {'Z', 'E', 'L'};
        for (const uint8_t byte : source) {
            coded.push_back(zel::codeByte(key, byte));
        }
        return coded;
    }
};

class RoundTripOnRealFiles : public JobsOnRealFiles,
                             public testing::WithParamInterface<std::size_t> {};

TEST_P(RoundTripOnRealFiles, CodedFileIsTheMarkerAndOneByteEachAndDecodesToTheSource) {
    const std::size_t size = GetParam();
    const Bytes source = zeltest::pseudoRandomBytes(size, static_cast<uint32_t>(size));
    zeltest::writeWholeFile(folder / "source.bin", source);

    zeltest::RecordingHost codingHost;
    const std::string keyText = code(folder / "source.bin", 1, folder / "coded", codingHost);
    EXPECT_TRUE(codingHost.infos.empty());
    EXPECT_EQ(codingHost.progressSteps, static_cast<int64_t>((size + 799) / 800));
    EXPECT_TRUE(zeltest::readWholeFile(folder / "coded") == codedLayoutOf(source, keyText));

    zeltest::RecordingHost decodingHost(keyText);
    decode(folder / "coded", folder / "decoded", decodingHost);
    EXPECT_TRUE(decodingHost.infos.empty());
    EXPECT_TRUE(zeltest::readWholeFile(folder / "decoded") == source);

    // Nothing else: no unfinished output is left beside the results.
    const zeltest::FolderSnapshot after = zeltest::snapshotOf(folder.path());
    EXPECT_EQ(after.size(), 3u);
    EXPECT_EQ(after.at("source.bin"), zeltest::asString(source));
}

INSTANTIATE_TEST_SUITE_P(Sizes, RoundTripOnRealFiles,
                         testing::Values(0, 1, 800, 801, 65537, 3 * 1024 * 1024 + 5));

TEST_F(JobsOnRealFiles, OneFileRunWritesExactlyTheChosenName) {
    zeltest::writeWholeFile(folder / "a.txt", {1, 2, 3});
    zeltest::RecordingHost host;
    const std::string keyText = code(folder / "a.txt" + '\0', 1, folder / "out", host);
    EXPECT_TRUE(host.infos.empty());
    const zeltest::FolderSnapshot after = zeltest::snapshotOf(folder.path());
    EXPECT_EQ(after.size(), 2u);
    EXPECT_EQ(after.at("out"), zeltest::asString(codedLayoutOf({1, 2, 3}, keyText)));
}

TEST_F(JobsOnRealFiles, MultiFileRunNamesEachOutputAfterDestinationAndSource) {
    zeltest::makeFolder(folder / "docs");
    zeltest::makeFolder(folder / "out");
    const Bytes a = zeltest::pseudoRandomBytes(1000, 10);
    const Bytes b = zeltest::pseudoRandomBytes(5, 11);
    const Bytes c;
    zeltest::writeWholeFile(folder / "docs\\a.txt", a);
    zeltest::writeWholeFile(folder / "docs\\b.bin", b);
    zeltest::writeWholeFile(folder / "docs\\c", c);

    zeltest::RecordingHost host;
    const std::string selection =
        folder / "docs" + '\0' + "a.txt" + '\0' + "b.bin" + '\0' + "c" + '\0';
    const std::string keyText = code(selection, 3, folder / "out\\batch", host);
    EXPECT_TRUE(host.infos.empty());

    const zeltest::FolderSnapshot out = zeltest::snapshotOf(folder / "out");
    EXPECT_EQ(out, (zeltest::FolderSnapshot{
                       {"batch_a.txt_ZEL", zeltest::asString(codedLayoutOf(a, keyText))},
                       {"batch_b.bin_ZEL", zeltest::asString(codedLayoutOf(b, keyText))},
                       {"batch_c_ZEL", "ZEL"}}));

    zeltest::RecordingHost decodingHost(keyText);
    decode(folder / "out\\batch_a.txt_ZEL", folder / "a.decoded", decodingHost);
    EXPECT_TRUE(zeltest::readWholeFile(folder / "a.decoded") == a);
}

TEST_F(JobsOnRealFiles, MultiFileRunFromARootLikeFolderEndingInASeparator) {
    zeltest::writeWholeFile(folder / "a", {7});
    zeltest::writeWholeFile(folder / "b", {8});
    zeltest::RecordingHost host;
    const std::string selection = folder.path() + "\\" + '\0' + "a" + '\0' + "b" + '\0';
    code(selection, 2, folder / "x", host);
    EXPECT_TRUE(host.infos.empty());
    EXPECT_EQ(zeltest::fileSizeOf(folder / "x_a_ZEL"), 4);
    EXPECT_EQ(zeltest::fileSizeOf(folder / "x_b_ZEL"), 4);
}

TEST_F(JobsOnRealFiles, DecodingAFileWithoutTheMarkerLeavesNothing) {
    zeltest::writeWholeFile(folder / "plain", {'Z', 'E', 'l', 1, 2});
    zeltest::RecordingHost host("123123123");
    decode(folder / "plain", folder / "decoded", host);
    EXPECT_EQ(host.infos, std::vector<std::string>{zel::text::notCodedFile});
    EXPECT_EQ(zeltest::snapshotOf(folder.path()).size(), 1u);
}

TEST_F(JobsOnRealFiles, ACodedFileCodedAgainDecodesInTwoSteps) {
    const Bytes source = zeltest::pseudoRandomBytes(3000, 12);
    zeltest::writeWholeFile(folder / "source", source);
    zeltest::RecordingHost first, second;
    const std::string firstKey = code(folder / "source", 1, folder / "once", first);
    Sleep(20);  // the key is drawn from the clock
    const std::string secondKey = code(folder / "once", 1, folder / "twice", second);

    zeltest::RecordingHost undoSecond(secondKey), undoFirst(firstKey);
    decode(folder / "twice", folder / "once.back", undoSecond);
    EXPECT_TRUE(zeltest::readWholeFile(folder / "once.back") ==
                zeltest::readWholeFile(folder / "once"));
    decode(folder / "once.back", folder / "source.back", undoFirst);
    EXPECT_TRUE(zeltest::readWholeFile(folder / "source.back") == source);
}

}  // namespace
