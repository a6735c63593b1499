// The coding and decoding jobs on real files: what lands on disk, byte for byte, and under
// which names.
#include <gtest/gtest.h>

#include "tests/support/job_runs.h"
#include "tests/support/real_files.h"
#include "win32/win32_binary_file.h"

namespace zel::test {
namespace {

class JobsOnRealFiles : public testing::Test {
protected:
    TempFolder folder;
    Win32BinaryFile files;
};

class RoundTripOnRealFiles : public JobsOnRealFiles,
                             public testing::WithParamInterface<std::size_t> {};

TEST_P(RoundTripOnRealFiles, CodedFileIsTheMarkerAndOneByteEachAndDecodesToTheSource) {
    const std::size_t size = GetParam();
    const Bytes source = pseudoRandomBytes(size, static_cast<uint32_t>(size));
    writeWholeFile(folder / "source.bin", source);

    const JobRun coding = codeChosen(files, folder / "source.bin", 1, folder / "coded");
    EXPECT_TRUE(coding.infos().empty());
    EXPECT_EQ(coding.host.stepsMade, static_cast<int64_t>((size + 799) / 800));
    EXPECT_TRUE(readWholeFile(folder / "coded") ==
                codedFileOf(parseKeyText(coding.keyText), source));

    EXPECT_TRUE(
        decodeChosen(files, folder / "coded", folder / "decoded", coding.keyText).infos().empty());
    EXPECT_TRUE(readWholeFile(folder / "decoded") == source);

    // Nothing else: no unfinished output is left beside the results.
    const FolderSnapshot after = snapshotOf(folder.path());
    EXPECT_EQ(after.size(), 3u);
    EXPECT_EQ(after.at("source.bin"), asString(source));
}

INSTANTIATE_TEST_SUITE_P(Sizes, RoundTripOnRealFiles,
                         testing::Values(0, 1, 800, 801, 65537, 3 * 1024 * 1024 + 5));

TEST_F(JobsOnRealFiles, OneFileRunWritesExactlyTheChosenName) {
    writeWholeFile(folder / "a.txt", {1, 2, 3});
    const JobRun coding = codeChosen(files, folder / "a.txt" + '\0', 1, folder / "out");
    EXPECT_TRUE(coding.infos().empty());
    const FolderSnapshot after = snapshotOf(folder.path());
    EXPECT_EQ(after.size(), 2u);
    EXPECT_EQ(after.at("out"), asString(codedFileOf(parseKeyText(coding.keyText), {1, 2, 3})));
}

TEST_F(JobsOnRealFiles, MultiFileRunNamesEachOutputAfterDestinationAndSource) {
    makeFolder(folder / "docs");
    makeFolder(folder / "out");
    const Bytes a = pseudoRandomBytes(1000, 10), b = pseudoRandomBytes(5, 11);
    writeWholeFile(folder / "docs\\a.txt", a);
    writeWholeFile(folder / "docs\\b.bin", b);
    writeWholeFile(folder / "docs\\c", {});

    const std::string selection = selectionOf({folder / "docs", "a.txt", "b.bin", "c"});
    const JobRun coding = codeChosen(files, selection, 3, folder / "out\\batch");
    EXPECT_TRUE(coding.infos().empty());

    const CodingKey key = parseKeyText(coding.keyText);
    EXPECT_EQ(snapshotOf(folder / "out"),
              (FolderSnapshot{{"batch_a.txt_ZEL", asString(codedFileOf(key, a))},
                              {"batch_b.bin_ZEL", asString(codedFileOf(key, b))},
                              {"batch_c_ZEL", "ZEL"}}));

    decodeChosen(files, folder / "out\\batch_a.txt_ZEL", folder / "a.decoded", coding.keyText);
    EXPECT_TRUE(readWholeFile(folder / "a.decoded") == a);
}

TEST_F(JobsOnRealFiles, MultiFileRunFromARootLikeFolderEndingInASeparator) {
    writeWholeFile(folder / "a", {7});
    writeWholeFile(folder / "b", {8});
    const std::string selection = selectionOf({folder.path() + "\\", "a", "b"});
    EXPECT_TRUE(codeChosen(files, selection, 2, folder / "x").infos().empty());
    EXPECT_EQ(fileSize(folder / "x_a_ZEL"), 4);
    EXPECT_EQ(fileSize(folder / "x_b_ZEL"), 4);
}

TEST_F(JobsOnRealFiles, DecodingAFileWithoutTheMarkerLeavesNothing) {
    writeWholeFile(folder / "plain", {'Z', 'E', 'l', 1, 2});
    EXPECT_EQ(decodeChosen(files, folder / "plain", folder / "decoded", "123123123").infos(),
              Paths{"can´t decode, not a ZEL coded file !!!"});
    EXPECT_EQ(snapshotOf(folder.path()).size(), 1u);
}

TEST_F(JobsOnRealFiles, ACodedFileCodedAgainDecodesInTwoSteps) {
    const Bytes source = pseudoRandomBytes(3000, 12);
    writeWholeFile(folder / "source", source);
    // Keys drawn from two times of day, and two keys indeed: with one key twice, a decoding run
    // that took the other run's key would pass unseen.
    const JobRun first =
        codeChosen(files, folder / "source", 1, folder / "once", RecordingHost(), fakeClock(3600));
    const JobRun second =
        codeChosen(files, folder / "once", 1, folder / "twice", RecordingHost(), fakeClock(7200));
    ASSERT_NE(first.keyText, second.keyText);

    decodeChosen(files, folder / "twice", folder / "once.back", second.keyText);
    EXPECT_TRUE(readWholeFile(folder / "once.back") == readWholeFile(folder / "once"));
    decodeChosen(files, folder / "once.back", folder / "source.back", first.keyText);
    EXPECT_TRUE(readWholeFile(folder / "source.back") == source);
}

}  // namespace
}  // namespace zel::test
