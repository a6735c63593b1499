// The jobs against what goes wrong on a real file system: a full disk, a missing or read-only
// destination folder, over-long names, held, missing and read-only sources, outputs that exist
// already, a source beyond 4 GiB and runs killed half-way. Each case checks what the user is
// told, that the job ends idle, and that nothing on disk changed except the expected outputs.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <set>

#include "cipher/byte_transform.h"
#include "cipher/coding_key.h"
#include "tests/support/job_runs.h"
#include "tests/support/processes.h"
#include "tests/support/real_files.h"
#include "win32/win32_binary_file.h"

namespace zel::test {
namespace {

using Infos = std::vector<std::string>;

// What is in some folders before a run, to hold against what is there after it.
class DiskWatch {
public:
    explicit DiskWatch(std::vector<std::string> folders)
        : folders_(std::move(folders)), before_(take(folders_)) {}

    // Everything watched is still there, unchanged; the only new files are `added` (full
    // paths), so no unfinished output is left.
    void expectOnlyAdded(const std::set<std::string>& added = {}) const {
        FolderSnapshot after = take(folders_);
        for (const std::string& path : added) {
            EXPECT_EQ(after.erase(path), 1u) << path << " was not written";
        }
        for (const auto& [path, content] : before_) {
            EXPECT_TRUE(after.count(path) == 1 && after.at(path) == content)
                << "changed or gone: " << path;
            after.erase(path);
        }
        EXPECT_TRUE(after.empty()) << "new: " << after.begin()->first;
    }

private:
    static FolderSnapshot take(const std::vector<std::string>& folders) {
        FolderSnapshot all;
        for (const std::string& folder : folders) {
            for (auto& [relative, content] : snapshotOf(folder)) {
                all[folder + "\\" + relative] = std::move(content);
            }
        }
        return all;
    }

    std::vector<std::string> folders_;
    FolderSnapshot before_;
};

// A folder that fault_mounts.sh mounted under the folder named by ZEL_FAULT_MOUNTS; empty when
// there is none.
std::string faultMount(const char* name) {
    const char* mounts = std::getenv("ZEL_FAULT_MOUNTS");
    if (mounts == nullptr || *mounts == '\0') {
        return "";
    }
    const std::string path = windowsPath(std::string(mounts) + "/" + name);
    return pathExists(path) ? path : "";
}

// The tiny file system, or empty when it is not mounted.
std::string tinyFileSystem() {
    const std::string folder = faultMount("full");
    const int64_t size = folder.empty() ? -1 : volumeSpaceAt(folder).total;
    return size > 0 && size <= (1 << 20) ? folder : "";
}

// The read-only file system, or empty when it is not mounted read-only.
std::string readOnlyFileSystem() {
    const std::string folder = faultMount("readonly");
    if (folder.empty() || !pathExists(folder + "\\source.bin")) {
        return "";
    }
    const std::string probe = folder + "\\probe";
    if (CreateDirectoryA(probe.c_str(), nullptr)) {
        RemoveDirectoryA(probe.c_str());
        return "";
    }
    return folder;
}

constexpr char noMountNote[] =
    " is not mounted: fault_mounts.sh mounts it as root before this program runs (CTest "
    "fixture) and names the folder in ZEL_FAULT_MOUNTS";

class JobFaults : public testing::Test {
protected:
    TempFolder folder;
    Win32BinaryFile files;
    // The fault mounts (empty when not mounted); the tiny one is emptied after every case.
    const std::string full = tinyFileSystem();
    const std::string readOnly = readOnlyFileSystem();
    ~JobFaults() override {
        if (!full.empty()) {
            removeContents(full);
        }
    }

    // A coded file of the source's bytes in the temporary folder; gives its key text.
    std::string makeCodedFile(const Bytes& source, const std::string& name) {
        const std::string plain = folder / (name + ".plain");
        writeWholeFile(plain, source);
        const std::string keyText = codeChosen(files, plain, 1, folder / name).keyText;
        DeleteFileA(plain.c_str());
        return keyText;
    }
    // What a coding run and then a decoding run told: the selection coded to `destination`,
    // `coded` (that or one of the outputs) decoded to `plain` with the key text given, else
    // with the coding run's key.
    using Told = std::pair<Infos, Infos>;
    Told codeAndDecode(const std::string& selection, int16_t count, const std::string& destination,
                       const std::string& coded, const std::string& plain,
                       const std::string& keyText = {}) {
        const JobRun coding = codeChosen(files, selection, count, destination);
        const std::string key = keyText.empty() ? coding.keyText : keyText;
        return {coding.infos(), decodeChosen(files, coded, plain, key).infos()};
    }
    // A coding run and a decoding run into the folder are refused for the reason given, and
    // nothing changes.
    void expectRefusedInto(const std::string& outFolder, const std::string& reason) {
        writeWholeFile(folder / "source", {1, 2, 3});
        const std::string keyText = makeCodedFile({4, 5, 6}, "coded");
        const DiskWatch watch({folder.path(), outFolder});
        const std::string out = outFolder + "\\out", plain = outFolder + "\\plain";
        EXPECT_EQ(codeAndDecode(folder / "source", 1, out, folder / "coded", plain, keyText),
                  Told({expectedCantWrite(out, reason)}, {expectedCantWrite(plain, reason)}));
        watch.expectOnlyAdded();
    }
};

TEST_F(JobFaults, FullDiskWhileCodingIsReportedLeavesNothingAndTheRunGoesOn) {
    if (full.empty()) {
        GTEST_SKIP() << "the tiny file system" << noMountNote;
    }
    writeWholeFile(folder / "big.bin", pseudoRandomBytes(256 << 10, 1));
    writeWholeFile(folder / "small.bin", pseudoRandomBytes(1000, 2));
    const DiskWatch watch({folder.path(), full});

    const std::string selection = selectionOf({folder.path(), "big.bin", "small.bin"});
    EXPECT_EQ(codeChosen(files, selection, 2, full + "\\batch").infos(),
              Infos{expectedCantWrite(full + "\\batch_big.bin_ZEL", "Disk full.")});
    // The space the failed file took is given back, so the next file fits.
    watch.expectOnlyAdded({full + "\\batch_small.bin_ZEL"});
    EXPECT_EQ(fileSize(full + "\\batch_small.bin_ZEL"), 1003);
}

TEST_F(JobFaults, FullDiskWhileDecodingIsReportedAndLeavesNothing) {
    if (full.empty()) {
        GTEST_SKIP() << "the tiny file system" << noMountNote;
    }
    const std::string keyText = makeCodedFile(pseudoRandomBytes(256 << 10, 3), "coded");
    const DiskWatch watch({folder.path(), full});

    EXPECT_EQ(decodeChosen(files, folder / "coded", full + "\\plain", keyText).infos(),
              Infos{expectedCantWrite(full + "\\plain", "Disk full.")});
    watch.expectOnlyAdded();
}

TEST_F(JobFaults, DestinationFolderThatDoesNotExistIsReportedAndNothingIsCreated) {
    expectRefusedInto(folder / "missing", "Path not found.");
}

// Root writes through file permissions, so the folder without write permission is a read-only
// mount.
TEST_F(JobFaults, ReadOnlyDestinationFolderIsReportedAndNothingIsCreated) {
    if (readOnly.empty()) {
        GTEST_SKIP() << "the read-only file system" << noMountNote;
    }
    expectRefusedInto(readOnly, "Access denied.");
}

TEST_F(JobFaults, SourceOnAReadOnlyFileSystemCodesNormally) {
    if (readOnly.empty()) {
        GTEST_SKIP() << "the read-only file system" << noMountNote;
    }
    const std::string source = readOnly + "\\source.bin";
    const DiskWatch watch({folder.path(), readOnly});

    EXPECT_EQ(codeAndDecode(source, 1, folder / "coded", folder / "coded", folder / "plain"),
              Told());
    watch.expectOnlyAdded({folder / "coded", folder / "plain"});
    EXPECT_TRUE(readWholeFile(folder / "plain") == readWholeFile(source));
}

TEST_F(JobFaults, ReadOnlySourceCodesAndDecodesNormally) {
    const Bytes content = pseudoRandomBytes(5000, 4);
    writeWholeFile(folder / "source", content);
    ASSERT_TRUE(SetFileAttributesA((folder / "source").c_str(), FILE_ATTRIBUTE_READONLY));
    const DiskWatch watch({folder.path()});

    const JobRun coding = codeChosen(files, folder / "source", 1, folder / "coded");
    EXPECT_TRUE(coding.infos().empty());
    ASSERT_TRUE(SetFileAttributesA((folder / "coded").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(
        decodeChosen(files, folder / "coded", folder / "plain", coding.keyText).infos().empty());
    watch.expectOnlyAdded({folder / "coded", folder / "plain"});
    EXPECT_TRUE(readWholeFile(folder / "plain") == content);
    EXPECT_NE(GetFileAttributesA((folder / "source").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
}

TEST_F(JobFaults, SourceHeldByAnotherProcessIsReportedAndTheRunGoesOn) {
    writeWholeFile(folder / "held", pseudoRandomBytes(3000, 5));
    writeWholeFile(folder / "free", pseudoRandomBytes(3000, 6));
    const std::string keyText = makeCodedFile({7, 8, 9}, "coded");
    // Taken before the holders start: a held file cannot be read for the comparison.
    const DiskWatch watch({folder.path()});
    {
        const FileHeldByOtherProcess heldSource(folder / "held");
        const FileHeldByOtherProcess heldCoded(folder / "coded");
        ASSERT_TRUE(heldSource.holding() && heldCoded.holding());
        EXPECT_EQ(codeAndDecode(selectionOf({folder.path(), "held", "free"}), 2, folder / "out",
                                folder / "coded", folder / "plain", keyText),
                  Told({expectedCantRead(folder / "held", "Sharing violation.")},
                       {expectedCantRead(folder / "coded", "Sharing violation.")}));
    }
    watch.expectOnlyAdded({folder / "out_free_ZEL"});
    EXPECT_EQ(fileSize(folder / "out_free_ZEL"), 3003);
}

TEST_F(JobFaults, MissingSourceIsReportedCreatesNothingAndTheRunGoesOn) {
    writeWholeFile(folder / "present", {1, 2, 3});
    const DiskWatch watch({folder.path()});

    EXPECT_EQ(codeAndDecode(selectionOf({folder.path(), "missing", "present"}), 2, folder / "out",
                            folder / "missing", folder / "plain", "123123123"),
              Told({expectedCantRead(folder / "missing", "File not found.")},
                   {expectedCantRead(folder / "missing", "File not found.")}));
    watch.expectOnlyAdded({folder / "out_present_ZEL"});
}

TEST_F(JobFaults, ExistingDestinationStaysUntouched) {
    writeWholeFile(folder / "source", pseudoRandomBytes(2000, 7));
    const std::string keyText = makeCodedFile(pseudoRandomBytes(2000, 8), "coded");
    writeWholeFile(folder / "taken", {'o', 'l', 'd'});
    makeFolder(folder / "folder");
    const DiskWatch watch({folder.path()});

    for (const char* taken : {"taken", "folder"}) {
        EXPECT_EQ(codeChosen(files, folder / "source", 1, folder / taken).infos(),
                  Infos{expectedAlreadyExists(folder / taken)});
    }
    EXPECT_EQ(decodeChosen(files, folder / "coded", folder / "taken", keyText).infos(),
              Infos{expectedAlreadyExists(folder / "taken")});
    watch.expectOnlyAdded();
}

TEST_F(JobFaults, SecondMultiFileRunMeetsTheFirstRunsOutputsAndLeavesThem) {
    writeWholeFile(folder / "a", pseudoRandomBytes(900, 9));
    writeWholeFile(folder / "b", pseudoRandomBytes(900, 10));
    const std::string selection = selectionOf({folder.path(), "a", "b"});
    ASSERT_TRUE(codeChosen(files, selection, 2, folder / "out").infos().empty());
    const DiskWatch watch({folder.path()});

    EXPECT_EQ(codeChosen(files, selection, 2, folder / "out").infos(),
              (Infos{expectedAlreadyExists(folder / "out_a_ZEL"),
                     expectedAlreadyExists(folder / "out_b_ZEL")}));
    watch.expectOnlyAdded();
}

// An unfinished output of an earlier, interrupted run is not reused and not removed: the job
// writes beside it under another unfinished name.
TEST_F(JobFaults, LeftoverUnfinishedOutputIsLeftAsItIs) {
    const Bytes content = pseudoRandomBytes(1500, 11);
    writeWholeFile(folder / "source", content);
    writeWholeFile(folder / "out.part", {'o', 'l', 'd'});
    const DiskWatch watch({folder.path()});

    EXPECT_EQ(codeAndDecode(folder / "source", 1, folder / "out", folder / "out", folder / "plain"),
              Told());
    watch.expectOnlyAdded({folder / "out", folder / "plain"});
    EXPECT_TRUE(readWholeFile(folder / "plain") == content);
}

// A destination name of 255 characters, the longest a name must be able to take.
TEST_F(JobFaults, DestinationOf255CharactersIsWritten) {
    const Bytes content = pseudoRandomBytes(1000, 12);
    writeWholeFile(folder / "source", content);
    const std::string base = folder / "";
    ASSERT_LT(base.size() + 20, 255u);
    const std::string destination = base + std::string(255 - base.size(), 'd');
    const std::string plain = base + std::string(255 - base.size(), 'p');
    const DiskWatch watch({folder.path()});

    EXPECT_EQ(codeAndDecode(folder / "source", 1, destination, destination, plain), Told());
    watch.expectOnlyAdded({destination, plain});
    EXPECT_TRUE(readWholeFile(plain) == content);
}

// A run over several files builds names that can outgrow the classic limit of 260 characters.
// Both outputs are written: the file access takes such names in their "\\?\" form. The
// shorter output stays under the limit itself, but its unfinished "<name>.part" does not.
TEST_F(JobFaults, BuiltNamesOver260CharactersAreWritten) {
    const std::string longName(40, 'n');
    const Bytes longSource = pseudoRandomBytes(1000, 13);
    writeWholeFile(folder / longName, longSource);
    writeWholeFile(folder / "s", pseudoRandomBytes(10, 14));
    const std::string base = folder / "";
    const std::string outFolder = base + std::string(250 - base.size(), 'f');
    makeFolder(outFolder);
    const std::string longOutput = outFolder + "\\o_" + longName + "_ZEL";
    const std::string shortOutput = outFolder + "\\o_s_ZEL";
    ASSERT_GT(longOutput.size(), 260u);
    ASSERT_LT(shortOutput.size(), 260u);
    ASSERT_GT(shortOutput.size() + 5, 260u);
    const DiskWatch watch({folder.path()});

    EXPECT_EQ(codeAndDecode(selectionOf({folder.path(), longName, "s"}), 2, outFolder + "\\o",
                            longOutput, folder / "plain"),
              Told());
    watch.expectOnlyAdded({longOutput, shortOutput, folder / "plain"});
    EXPECT_TRUE(readWholeFile(folder / "plain") == longSource);
}

// The cases that take seconds or more, kept apart so that they can be labelled and given their
// own time limits.

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A coding run killed while it writes leaves nothing: no file under the final name, and the
// unfinished output goes with the process.
TEST(JobFaultsLong, RunKilledHalfWayLeavesNothingUnderTheFinalName) {
    const TempFolder folder;
    const std::string source = folder / "source";
    const std::string destination = folder / "coded";
    const std::string unfinished = destination + ".part";
    const int64_t length = int64_t{512} << 20;
    makeSparseFile(source, length, {{0, 'a'}, {length - 1, 'z'}});

    Process coder = Process::ofThisProgram({jobRole, "code", destination, source});
    int64_t firstSeen = -1;
    int64_t lastSeen = -1;
    const auto start = std::chrono::steady_clock::now();
    while (secondsSince(start) < 60 && !coder.waitForExit(milliseconds(5))) {
        lastSeen = fileSize(unfinished);
        if (lastSeen > 0 && firstSeen < 0) {
            firstSeen = lastSeen;
        } else if (firstSeen > 0 && lastSeen > firstSeen) {
            break;
        }
    }
    const bool stillRunning = coder.running();
    coder.terminate();
    ASSERT_TRUE(stillRunning) << "the run ended before it could be killed";
    ASSERT_GT(lastSeen, firstSeen) << "the unfinished output did not grow";
    EXPECT_LT(lastSeen, length + 3);

    EXPECT_FALSE(pathExists(destination));
    EXPECT_EQ(fileSize(source), length);
    EXPECT_EQ(byteAt(source, 0), 'a');
    EXPECT_EQ(byteAt(source, length - 1), 'z');
    EXPECT_EQ(folder.names(), (Names{L"source"}));
    std::cout << "[          ] killed after " << secondsSince(start) << " s with " << lastSeen
              << " bytes written\n";
}

// Killed while the whole output is being written through to the disk, which takes seconds here
// (tests/support/slow_flush.c, loaded by CTest, delays it for names holding "slow-flush"): the
// output goes with the process all the same.
TEST(JobFaultsLong, RunKilledWhileWritingThroughLeavesOnlyTheSource) {
    if (!slowFlushLoaded()) {
        GTEST_SKIP() << "needs tests/support's slow_flush.so in LD_PRELOAD, as CTest runs it";
    }
    const TempFolder folder;
    const std::string source = folder / "source";
    const Bytes content = pseudoRandomBytes(100000, 15);
    writeWholeFile(source, content);
    const std::string destination = folder / "slow-flush";

    Process coder = Process::ofThisProgram({jobRole, "code", destination, source});
    const bool whole = waitUntil([&] { return fileSize(destination + ".part") == 100003; });
    const bool stillRunning = coder.running();
    coder.terminate();
    ASSERT_TRUE(whole) << "the output was not written whole";
    ASSERT_TRUE(stillRunning) << "the run ended before it could be killed";

    EXPECT_EQ(folder.names(), (Names{L"source"}));
    EXPECT_TRUE(readWholeFile(source) == content);
}

// Lengths past 32 bits: a sparse source of 4 GiB + 1 byte with marked bytes at the start, around
// 2 GiB and 4 GiB and at the end. The coded and decoded files are real data (4 GiB each).
TEST(JobFaultsLong, SourceOf4GiBPlusOneByteRoundTrips) {
    const TempFolder folder;
    const int64_t free = volumeSpaceAt(folder.path()).free;
    if (free < int64_t{12} << 30) {
        GTEST_SKIP() << "needs about 12 GB free at " << folder.path() << ", has " << (free >> 20)
                     << " MiB";
    }
    const int64_t twoGiB = int64_t{2} << 30;
    const int64_t fourGiB = int64_t{4} << 30;
    const int64_t length = fourGiB + 1;
    std::vector<std::pair<int64_t, uint8_t>> marked = {{0, 'Z'}, {1, 'E'}, {2, 'L'}};
    for (const int64_t at : {twoGiB - 1, twoGiB, twoGiB + 1, fourGiB - 2, fourGiB - 1, fourGiB}) {
        marked.emplace_back(at, static_cast<uint8_t>(0x80 + marked.size()));
    }
    const std::string source = folder / "source";
    const std::string coded = folder / "coded";
    const std::string decoded = folder / "decoded";
    makeSparseFile(source, length, marked);

    auto start = std::chrono::steady_clock::now();
    Win32BinaryFile files;
    RecordingHost progressAddedUp;
    progressAddedUp.recordProgress = false;
    const JobRun coding = codeChosen(files, source, 1, coded, progressAddedUp);
    const double codingSeconds = secondsSince(start);
    ASSERT_TRUE(coding.infos().empty()) << coding.infos().front();
    EXPECT_EQ(coding.host.stepsMade, (length + 799) / 800);
    EXPECT_GT(coding.host.rangeHigh, 0);

    ASSERT_EQ(fileSize(coded), length + 3);
    const CodingKey key = parseKeyText(coding.keyText);
    EXPECT_EQ(byteAt(coded, 0), 'Z');
    EXPECT_EQ(byteAt(coded, 1), 'E');
    EXPECT_EQ(byteAt(coded, 2), 'L');
    for (const auto& [offset, value] : marked) {
        EXPECT_EQ(byteAt(coded, offset + 3), codeByte(key, value)) << "at " << offset;
    }
    EXPECT_EQ(byteAt(coded, 3 + (int64_t{3} << 30)), codeByte(key, 0));

    start = std::chrono::steady_clock::now();
    const JobRun decoding = decodeChosen(files, coded, decoded, coding.keyText, progressAddedUp);
    const double decodingSeconds = secondsSince(start);
    ASSERT_TRUE(decoding.infos().empty()) << decoding.infos().front();
    EXPECT_EQ(decoding.host.stepsMade, (length + 799) / 800);
    removeTree(coded);

    start = std::chrono::steady_clock::now();
    EXPECT_EQ(compareFiles(source, decoded), "");
    const double comparingSeconds = secondsSince(start);
    EXPECT_EQ(folder.names(), (Names{L"decoded", L"source"}));
    std::cout << "[          ] coding " << codingSeconds << " s, decoding " << decodingSeconds
              << " s, comparing " << comparingSeconds << " s\n";
}

}  // namespace
}  // namespace zel::test
