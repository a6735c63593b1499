// Win32BinaryFile on real files: what it opens, creates, renames and deletes, that it holds
// what it opens without sharing, which outputs it removes itself, and its words for errors.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "tests/support/processes.h"
#include "tests/support/real_files.h"
#include "win32/error_text.h"
#include "win32/win32_binary_file.h"

namespace zel::test {
namespace {

class Win32BinaryFileTest : public testing::Test {
protected:
    TempFolder folder;
    Win32BinaryFile files;

    // Whether another opener, asking to share everything, is refused.
    static bool refusesOtherOpeners(const std::string& path) {
        const win32::KernelHandle other(CreateFileA(
            path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            nullptr, OPEN_EXISTING, 0, nullptr));
        return !other && GetLastError() == ERROR_SHARING_VIOLATION;
    }
};

TEST_F(Win32BinaryFileTest, OpenBinaryReadsAnExistingFileFromItsStart) {
    const std::string path = folder / "source.bin";
    const Bytes content = pseudoRandomBytes(2000, 1);
    writeWholeFile(path, content);

    auto file = files.openBinary(path);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->length(), 2000);
    Bytes read(2500);
    EXPECT_EQ(file->readBytes(read.data(), 800), 800u);
    EXPECT_EQ(file->readBytes(read.data() + 800, 1700), 1200u) << "fewer at the end";
    EXPECT_EQ(file->readBytes(read.data(), 1), 0u);
    read.resize(2000);
    EXPECT_EQ(read, content);
    EXPECT_TRUE(refusesOtherOpeners(path));
    EXPECT_TRUE(file->closeFile());
    EXPECT_EQ(readWholeFile(path), content) << "opening for writing changed nothing";
}

TEST_F(Win32BinaryFileTest, OpenBinaryNamesTheFileUpToTheFirstNul) {
    const std::string path = folder / "source.bin";
    writeWholeFile(path, {1, 2, 3});
    auto file = files.openBinary(path + std::string("\0second.bin\0", 12));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->length(), 3);
}

TEST_F(Win32BinaryFileTest, OpenBinaryOfAMissingFileFailsAndCreatesNothing) {
    EXPECT_EQ(files.openBinary(folder / "missing.bin"), nullptr);
    EXPECT_EQ(files.openBinary(folder / "no-folder\\missing.bin"), nullptr);
    EXPECT_TRUE(snapshotOf(folder.path()).empty());
}

TEST_F(Win32BinaryFileTest, OpenBinaryOfAFolderFails) {
    makeFolder(folder / "sub");
    EXPECT_EQ(files.openBinary(folder / "sub"), nullptr);
}

TEST_F(Win32BinaryFileTest, OpenBinaryFailsOnAFileHeldWithoutSharingInThisProcess) {
    const std::string path = folder / "held.bin";
    writeWholeFile(path, {1, 2, 3});
    win32::KernelHandle holder = openUnshared(path);
    ASSERT_TRUE(holder.valid());
    EXPECT_EQ(files.openBinary(path), nullptr);
    holder.reset();
    EXPECT_NE(files.openBinary(path), nullptr) << "opens once the holder lets go";
}

TEST_F(Win32BinaryFileTest, OpenBinaryFailsOnAFileHeldWithoutSharingByAnotherProcess) {
    const std::string path = folder / "held.bin";
    writeWholeFile(path, {1, 2, 3});
    {
        FileHeldByOtherProcess holder(path);
        ASSERT_TRUE(holder.holding());
        EXPECT_EQ(files.openBinary(path), nullptr);
    }
    EXPECT_NE(files.openBinary(path), nullptr) << "opens once the holder has ended";
}

TEST_F(Win32BinaryFileTest, OpenBinaryReadsAReadOnlyFile) {
    const std::string path = folder / "read-only.bin";
    const Bytes content = pseudoRandomBytes(900, 2);
    writeWholeFile(path, content);
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));

    auto file = files.openBinary(path);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->length(), 900);
    Bytes read(900);
    EXPECT_EQ(file->readBytes(read.data(), read.size()), 900u);
    EXPECT_EQ(read, content);
    EXPECT_TRUE(refusesOtherOpeners(path));
}

TEST_F(Win32BinaryFileTest, CreateBinaryMakesANewFileHeldWithoutSharing) {
    const std::string path = folder / "new.bin";
    CreateOutcome outcome = CreateOutcome::failed;
    auto file = files.createBinary(path, outcome, {});
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(outcome, CreateOutcome::created);
    EXPECT_TRUE(refusesOtherOpeners(path));

    const Bytes content = pseudoRandomBytes(801, 3);
    EXPECT_TRUE(file->writeBytes(content.data(), 800));
    EXPECT_EQ(fileSize(path), 800) << "written through, not buffered";
    EXPECT_TRUE(file->writeBytes(content.data() + 800, 1));
    EXPECT_EQ(file->length(), 801);
    EXPECT_TRUE(file->keepWhenClosed());
    EXPECT_TRUE(file->closeFile());
    EXPECT_TRUE(file->closeFile()) << "a second close does nothing";
    EXPECT_EQ(readWholeFile(path), content);
}

// An output is removed when closed unless it was kept; the end of the session removes those not
// yet renamed, open or closed, and leaves those that have their final names.
TEST_F(Win32BinaryFileTest, OutputsGoUnlessKeptAndRenamed) {
    const auto create = [&](const std::string& name) {
        CreateOutcome outcome = CreateOutcome::failed;
        auto file = files.createBinary(folder / name, outcome, {});
        EXPECT_TRUE(file && file->writeBytes(reinterpret_cast<const uint8_t*>("zel"), 3));
        return file;
    };
    auto dropped = create("dropped.part");
    EXPECT_TRUE(dropped->removedWhenClosed());
    EXPECT_TRUE(dropped->closeFile());
    EXPECT_FALSE(pathExists(folder / "dropped.part"));

    // Kept, then closed or, as by a job still at work on the other thread, left open.
    std::unique_ptr<OpenFile> kept[] = {create("renamed.part"), create("closed.part"),
                                        create("open.part")};
    for (auto& file : kept) {
        EXPECT_TRUE(file->keepWhenClosed());
        EXPECT_FALSE(file->removedWhenClosed());
    }
    EXPECT_TRUE(kept[0]->closeFile() && kept[1]->closeFile());
    auto writing = create("writing.part");
    ASSERT_EQ(files.renameFile(folder / "renamed.part", folder / "renamed"),
              RenameOutcome::renamed);
    EXPECT_EQ(folder.names(), (Names{L"closed.part", L"open.part", L"renamed", L"writing.part"}));

    discardUnfinishedOutputs();
    EXPECT_EQ(folder.names(), Names{L"renamed"});
    EXPECT_TRUE(writing->closeFile() && kept[2]->closeFile()) << "closed already";
}

TEST_F(Win32BinaryFileTest, CreateBinaryNeverTouchesWhatExists) {
    const std::string path = folder / "old.bin";
    const Bytes content = {9, 8, 7};
    writeWholeFile(path, content);
    makeFolder(folder / "sub");

    // How creating the file failed; it must give no file.
    const auto failedCreate = [&](const std::string& name) {
        CreateOutcome outcome = CreateOutcome::created;
        EXPECT_EQ(files.createBinary(name, outcome, {}), nullptr) << name;
        return outcome;
    };
    EXPECT_EQ(failedCreate(path), CreateOutcome::alreadyExists);
    EXPECT_EQ(readWholeFile(path), content);
    // A folder in the way is a name taken.
    EXPECT_EQ(failedCreate(folder / "sub"), CreateOutcome::alreadyExists);
    EXPECT_EQ(failedCreate(folder / "no-folder\\new.bin"), CreateOutcome::failed);
}

TEST_F(Win32BinaryFileTest, RenameFileNeverReplaces) {
    const std::string from = folder / "a.part";
    const std::string to = folder / "a";
    writeWholeFile(from, {1});
    EXPECT_EQ(files.renameFile(from, to), RenameOutcome::renamed);
    EXPECT_FALSE(pathExists(from));
    EXPECT_EQ(readWholeFile(to), Bytes{1});

    writeWholeFile(from, {2});
    EXPECT_EQ(files.renameFile(from, to), RenameOutcome::targetExists);
    EXPECT_EQ(readWholeFile(from), Bytes{2});
    EXPECT_EQ(readWholeFile(to), Bytes{1});

    EXPECT_EQ(files.renameFile(folder / "missing", folder / "b"), RenameOutcome::failed);
}

TEST_F(Win32BinaryFileTest, ExistsAndDeleteFile) {
    const std::string path = folder / "file.bin";
    writeWholeFile(path, {1});
    makeFolder(folder / "sub");
    EXPECT_TRUE(files.exists(path));
    EXPECT_TRUE(files.exists(path + std::string("\0x", 2)));
    EXPECT_TRUE(files.exists(folder / "sub"));
    EXPECT_FALSE(files.exists(folder / "missing"));

    EXPECT_TRUE(files.deleteFile(path));
    EXPECT_FALSE(pathExists(path));
    EXPECT_FALSE(files.deleteFile(path));
}

// Another process holds the file when it is renamed or deleted. The pauses between the tries
// are counted, and waited only where the holder is to let go.
class HeldFileTest : public Win32BinaryFileTest {
protected:
    const std::string held = folder / "held.part";
    std::vector<uint32_t> pauses;
    Win32BinaryFile patient{[this](uint32_t milliseconds) {
        pauses.push_back(milliseconds);
        Sleep(milliseconds);
    }};
    Win32BinaryFile counting{[this](uint32_t milliseconds) { pauses.push_back(milliseconds); }};
};

TEST_F(HeldFileTest, RenameAndDeleteWaitForAHolderThatLetsGoAfter300ms) {
    for (const bool renaming : {true, false}) {
        SCOPED_TRACE(renaming ? "rename" : "delete");
        writeWholeFile(held, {1});
        pauses.clear();
        const FileHeldByOtherProcess holder(held, milliseconds(300));
        ASSERT_TRUE(holder.holding());
        if (renaming) {
            EXPECT_EQ(patient.renameFile(held, folder / "named"), RenameOutcome::renamed);
        } else {
            EXPECT_TRUE(patient.deleteFile(held));
        }
        EXPECT_FALSE(pathExists(held));
        EXPECT_FALSE(pauses.empty()) << "the holder let go before the first try";
    }
    EXPECT_EQ(readWholeFile(folder / "named"), Bytes{1});
}

// A holder that outlasts the tries, about two seconds of them, meets the refusal as before.
TEST_F(HeldFileTest, RenameAndDeleteOfAFileHeldOnFailAfterAboutTwoSecondsOfTries) {
    writeWholeFile(held, {1});
    const FileHeldByOtherProcess holder(held);
    ASSERT_TRUE(holder.holding());
    for (const bool renaming : {true, false}) {
        SCOPED_TRACE(renaming ? "rename" : "delete");
        pauses.clear();
        if (renaming) {
            EXPECT_EQ(counting.renameFile(held, folder / "named"), RenameOutcome::failed);
        } else {
            EXPECT_FALSE(counting.deleteFile(held));
        }
        EXPECT_EQ(win32::errorText(counting.lastError()), "Sharing violation.");
        const uint32_t waited = std::accumulate(pauses.begin(), pauses.end(), 0u);
        EXPECT_TRUE(waited >= 1500 && waited <= 2500) << waited << " ms in " << pauses.size();
    }
    EXPECT_EQ(folder.names(), Names{L"held.part"});
}

// "Access denied" for a read-only file lasts: no second try.
TEST_F(HeldFileTest, DeleteOfAReadOnlyFileFailsAtOnce) {
    writeWholeFile(held, {1});
    ASSERT_TRUE(SetFileAttributesA(held.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(counting.deleteFile(held));
    EXPECT_EQ(counting.lastError(), static_cast<SystemError>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(pauses.empty());
    SetFileAttributesA(held.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Wine's words, which the messages of the jobs end with, without a line break.
TEST(ErrorText, GivesTheSystemsWordsOrTheNumber) {
    EXPECT_EQ(win32::errorText(ERROR_SHARING_VIOLATION), "Sharing violation.");
    EXPECT_EQ(win32::errorText(ERROR_DISK_FULL), "Disk full.");
    EXPECT_EQ(win32::errorText(ERROR_ACCESS_DENIED), "Access denied.");
    EXPECT_EQ(win32::errorText(12345678), "Error 12345678");
}

}  // namespace
}  // namespace zel::test
