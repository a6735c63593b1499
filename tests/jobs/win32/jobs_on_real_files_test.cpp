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

    RecordingHost codingHost;
    const std::string keyText =
        codeChosen(files, folder / "source.bin", 1, folder / "coded", codingHost);
    EXPECT_TRUE(codingHost.infos().empty());
    EXPECT_EQ(codingHost.stepsMade, static_cast<int64_t>((size + 799) / 800));
    EXPECT_TRUE(readWholeFile(folder / "coded") == codedFileOf(parseKeyText(keyText), source));

    RecordingHost decodingHost(keyText);
    decodeChosen(files, folder / "coded", folder / "decoded", decodingHost);
    EXPECT_TRUE(decodingHost.infos().empty());
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
    RecordingHost host;
    const std::string keyText = codeChosen(files, folder / "a.txt" + '\0', 1, folder / "out", host);
    EXPECT_TRUE(host.infos().empty());
    const FolderSnapshot after = snapshotOf(folder.path());
    EXPECT_EQ(after.size(), 2u);
    EXPECT_EQ(after.at("out"), asString(codedFileOf(parseKeyText(keyText), {1, 2, 3})));
}

TEST_F(JobsOnRealFiles, MultiFileRunNamesEachOutputAfterDestinationAndSource) {
    makeFolder(folder / "docs");
    makeFolder(folder / "out");
    const Bytes a = pseudoRandomBytes(1000, 10);
    const Bytes b = pseudoRandomBytes(5, 11);
    const Bytes c;
    writeWholeFile(folder / "docs\\a.txt", a);
    writeWholeFile(folder / "docs\\b.bin", b);
    writeWholeFile(folder / "docs\\c", c);

    RecordingHost host;
    const std::string selection = selectionOf({folder / "docs", "a.txt", "b.bin", "c"});
    const std::string keyText = codeChosen(files, selection, 3, folder / "out\\batch", host);
    EXPECT_TRUE(host.infos().empty());

    const FolderSnapshot out = snapshotOf(folder / "out");
    EXPECT_EQ(out,
              (FolderSnapshot{{"batch_a.txt_ZEL", asString(codedFileOf(parseKeyText(keyText), a))},
                              {"batch_b.bin_ZEL", asString(codedFileOf(parseKeyText(keyText), b))},
                              {"batch_c_ZEL", "ZEL"}}));

    RecordingHost decodingHost(keyText);
    decodeChosen(files, folder / "out\\batch_a.txt_ZEL", folder / "a.decoded", decodingHost);
    EXPECT_TRUE(readWholeFile(folder / "a.decoded") == a);
}

TEST_F(JobsOnRealFiles, MultiFileRunFromARootLikeFolderEndingInASeparator) {
    writeWholeFile(folder / "a", {7});
    writeWholeFile(folder / "b", {8});
    RecordingHost host;
    const std::string selection = selectionOf({folder.path() + "\\", "a", "b"});
    codeChosen(files, selection, 2, folder / "x", host);
    EXPECT_TRUE(host.infos().empty());
    EXPECT_EQ(fileSize(folder / "x_a_ZEL"), 4);
    EXPECT_EQ(fileSize(folder / "x_b_ZEL"), 4);
}

TEST_F(JobsOnRealFiles, DecodingAFileWithoutTheMarkerLeavesNothing) {
    writeWholeFile(folder / "plain", {'Z', 'E', 'l', 1, 2});
    RecordingHost host("123123123");
    decodeChosen(files, folder / "plain", folder / "decoded", host);
    EXPECT_EQ(host.infos(), std::vector<std::string>{"can´t decode, not a ZEL coded file !!!"});
    EXPECT_EQ(snapshotOf(folder.path()).size(), 1u);
}

TEST_F(JobsOnRealFiles, ACodedFileCodedAgainDecodesInTwoSteps) {
    const Bytes source = pseudoRandomBytes(3000, 12);
    writeWholeFile(folder / "source", source);
    RecordingHost first, second;
    const std::string firstKey = codeChosen(files, folder / "source", 1, folder / "once", first);
    Sleep(20);  // the key is drawn from the clock
    const std::string secondKey = codeChosen(files, folder / "once", 1, folder / "twice", second);

    RecordingHost undoSecond(secondKey), undoFirst(firstKey);
    decodeChosen(files, folder / "twice", folder / "once.back", undoSecond);
    EXPECT_TRUE(readWholeFile(folder / "once.back") == readWholeFile(folder / "once"));
    decodeChosen(files, folder / "once.back", folder / "source.back", undoFirst);
    EXPECT_TRUE(readWholeFile(folder / "source.back") == source);
}

}  // namespace
}  // namespace zel::test
