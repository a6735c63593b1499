// The POSIX file system of the jobs on real files: outputs that appear only under their final
// name and never replace, the named ones a signal removes, and errors in the system's words.
#include "posix/posix_binary_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/posix_runs.h"

namespace zel::test {
namespace {

using Outputs = PosixBinaryFile::Outputs;
using Names = std::vector<std::string>;

class PosixOutputs : public testing::TestWithParam<Outputs> {
protected:
    // An output created under the unfinished name, written, on the disk and kept.
    std::unique_ptr<OpenFile> writtenOutput(const std::string& name, const std::string& text) {
        CreateOutcome outcome = CreateOutcome::failed;
        auto output = files_.createBinary(folder_ / name, outcome, {});
        EXPECT_EQ(outcome, CreateOutcome::created);
        if (output) {
            const Bytes bytes = bytesOf(text);
            EXPECT_TRUE(output->writeBytes(bytes.data(), bytes.size()));
            EXPECT_TRUE(output->flushToDisk());
            EXPECT_TRUE(output->keepWhenClosed());
        }
        return output;
    }
    bool unnamed() const { return GetParam() == Outputs::unnamedWherePossible; }

    TempFolder folder_;
    PosixBinaryFile files_{GetParam()};
};

TEST_P(PosixOutputs, AppearOnlyUnderTheFinalNameAndNeverReplace) {
    writeWholeFile(folder_ / "taken", bytesOf("old"));
    writeWholeFile(folder_ / "left.part", bytesOf("an earlier run's"));
    CreateOutcome outcome = CreateOutcome::failed;
    EXPECT_EQ(files_.createBinary(folder_ / "left.part", outcome, {}), nullptr);
    EXPECT_EQ(outcome, CreateOutcome::alreadyExists);

    auto output = writtenOutput("a.part", "abc");
    ASSERT_TRUE(output);
    EXPECT_TRUE(files_.exists(folder_ / "a.part"));
    EXPECT_EQ(files_.createBinary(folder_ / "a.part", outcome, {}), nullptr);
    EXPECT_EQ(outcome, CreateOutcome::alreadyExists);
    EXPECT_TRUE(output->closeFile());
    const Names unnamedOnes = {"left.part", "taken"}, namedOnes = {"a.part", "left.part", "taken"};
    EXPECT_EQ(folder_.names(), unnamed() ? unnamedOnes : namedOnes);

    EXPECT_EQ(files_.renameFile(folder_ / "a.part", folder_ / "taken"),
              RenameOutcome::targetExists);
    EXPECT_EQ(files_.errorText(files_.lastError()), "File exists");
    EXPECT_EQ(readWholeFile(folder_ / "taken"), bytesOf("old"));
    EXPECT_EQ(files_.renameFile(folder_ / "a.part", folder_ / "a"), RenameOutcome::renamed);
    EXPECT_EQ(readWholeFile(folder_ / "a"), bytesOf("abc"));
    EXPECT_FALSE(files_.exists(folder_ / "a.part"));
    EXPECT_EQ(folder_.names(), (Names{"a", "left.part", "taken"}));
}

TEST_P(PosixOutputs, OneDeletedBeforeItsRenameLeavesNothingAndTouchesNoOtherFile) {
    auto output = writtenOutput("b.part", "abc");
    ASSERT_TRUE(output);
    EXPECT_TRUE(output->closeFile());
    EXPECT_TRUE(files_.deleteFile(folder_ / "b.part"));
    EXPECT_FALSE(files_.exists(folder_ / "b.part"));
    EXPECT_EQ(folder_.names(), Names{});
    EXPECT_FALSE(files_.deleteFile(folder_ / "b.part"));
    EXPECT_EQ(files_.errorText(files_.lastError()), "No such file or directory");
}

INSTANTIATE_TEST_SUITE_P(UnnamedAndNamed, PosixOutputs,
                         testing::Values(Outputs::unnamedWherePossible, Outputs::alwaysNamed));

TEST(PosixFiles, OpenOnlyRegularFilesAndSayWhyNotInTheSystemsWords) {
    TempFolder folder;
    PosixBinaryFile files;
    writeWholeFile(folder / "f", bytesOf("12345"));
    auto file = files.openBinary(folder / "f");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->length(), 5);
    uint8_t buffer[8] = {};
    EXPECT_EQ(file->readBytes(buffer, sizeof buffer), 5u);

    ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
    const std::pair<std::string, std::string> refused[] = {
        {"missing", "No such file or directory"},
        {".", "Is a directory"},
        // not waited on for a writer; a pipe is read as the standard input
        {"fifo", "Not a regular file; give its bytes on standard input, as -"},
    };
    for (const auto& [name, reason] : refused) {
        EXPECT_EQ(files.openBinary(folder / name), nullptr) << name;
        EXPECT_EQ(files.errorText(files.lastError()), reason) << name;
    }
}

// A child process writes a named output, then gets the signal.
TEST(PosixFiles, SignalsRemoveNamedOutputsUnlessTheProcessIgnoresThem) {
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        for (const bool ignored : {false, true}) {
            SCOPED_TRACE(std::to_string(signalNumber) + (ignored ? " ignored" : ""));
            TempFolder folder;
            const pid_t child = ::fork();
            if (child == 0) {
                if (ignored) {
                    ::signal(signalNumber, SIG_IGN);
                }
                removeUnfinishedOutputsOnSignals();
                PosixBinaryFile files(Outputs::alwaysNamed);
                CreateOutcome outcome = CreateOutcome::failed;
                auto output = files.createBinary(folder / "out.part", outcome, {});
                ::raise(signalNumber);
                ::_exit(output ? 0 : 1);
            }
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            if (ignored) {
                EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
                EXPECT_EQ(folder.names(), Names{"out.part"});
            } else {
                EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber);
                EXPECT_EQ(folder.names(), Names{});
            }
        }
    }
}

}  // namespace
}  // namespace zel::test
