// zel run as a process in a fresh folder, as scripts and people run it: the bytes against the
// reference coding, the key alone on standard output, refusals and faults that say why and
// leave nothing, a run killed half-way, and the terminal's prompt and progress line.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "cipher/coding_key.h"
#include "tests/support/posix_runs.h"
#include "zel_version.h"

namespace zel::test {
namespace {

using Names = std::vector<std::string>;

// Everything in the folder by name: a file's bytes, a folder's names.
std::map<std::string, Bytes> contentsOf(const std::string& folder) {
    std::map<std::string, Bytes> contents;
    for (const std::string& name : namesIn(folder)) {
        const std::string path = folder + "/" + name;
        struct stat status {};
        ::stat(path.c_str(), &status);
        contents[name] = S_ISDIR(status.st_mode) ? bytesOf(testing::PrintToString(namesIn(path)))
                                                 : readWholeFile(path);
    }
    return contents;
}

class CommandLine : public testing::Test {
protected:
    ProgramRun zel(std::vector<std::string> arguments, const std::string& input = "") const {
        arguments.insert(arguments.begin(), ZEL_PROGRAM_PATH);
        return runToEnd(arguments, folder_.path(), input);
    }
    // Codes, checks that the run was clean, and gives the key.
    CodingKey codeClean(const std::vector<std::string>& arguments) const {
        const ProgramRun run = zel(arguments);
        EXPECT_EQ(std::tie(run.status, run.error), std::tie(allDone, noText));
        EXPECT_TRUE(isKeyText(run.output.substr(0, 9)) && run.output.substr(9) == "\n")
            << run.output;
        return parseKeyText(run.output);
    }
    void expectCodedAs(const std::string& coded, const CodingKey& key, const std::string& plain) {
        EXPECT_TRUE(readWholeFile(folder_ / coded) ==
                    codedFileOf(key, readWholeFile(folder_ / plain)))
            << coded;
    }

    const int allDone = 0;
    const std::string noText;
    TempFolder folder_;
};

TEST_F(CommandLine, OneFileRoundTripWithTheKeyAloneOnStandardOutput) {
    const Bytes plain = pseudoRandomBytes(5 * 800 + 123, 1);
    writeWholeFile(folder_ / "report.pdf", plain);
    const CodingKey key = codeClean({"code", "report.pdf"});
    expectCodedAs("report.pdf_ZEL", key, "report.pdf");

    const ProgramRun decoded =
        zel({"decode", "-k", formatKeyText(key), "report.pdf_ZEL", "-o", "again.pdf"});
    EXPECT_EQ(std::tie(decoded.status, decoded.output, decoded.error),
              std::tie(allDone, noText, noText));
    EXPECT_TRUE(readWholeFile(folder_ / "again.pdf") == plain);
    EXPECT_EQ(folder_.names(), (Names{"again.pdf", "report.pdf", "report.pdf_ZEL"}));
}

TEST_F(CommandLine, ThreeFilesAreCodedWithOneKeyUnderEitherNaming) {
    // An empty file, one of exactly one chunk, and one a byte past two chunks.
    const std::map<std::string, Bytes> sources = {{"a.txt", {}},
                                                  {"b.bin", pseudoRandomBytes(800, 2)},
                                                  {"c d.dat", pseudoRandomBytes(1601, 3)}};
    for (const auto& [name, bytes] : sources) {
        writeWholeFile(folder_ / name, bytes);
    }

    const CodingKey toDestination = codeClean({"code", "-o", "out", "a.txt", "b.bin", "c d.dat"});
    const CodingKey beside = codeClean({"code", "a.txt", "-q", "--", "b.bin", "c d.dat"});
    for (const auto& [name, bytes] : sources) {
        expectCodedAs("out_" + name + "_ZEL", toDestination, name);
        expectCodedAs(name + "_ZEL", beside, name);
        // Decoded by name: the _ZEL goes; the key from standard input, line break and all.
        std::remove((folder_ / name).c_str());
        const ProgramRun run =
            zel({"decode", "--key-file", "-", name + "_ZEL"}, formatKeyText(beside) + "\r\n");
        EXPECT_EQ(std::tie(run.status, run.error), std::tie(allDone, noText));
        EXPECT_TRUE(readWholeFile(folder_ / name) == bytes) << name;
    }
    EXPECT_EQ(folder_.names().size(), 9u);  // the sources and six coded files, nothing else
}

TEST_F(CommandLine, AFileCodedByHandFromTheCodingRulesDecodes) {
    const CodingKey key{77, 123, 200};
    const Bytes plain = pseudoRandomBytes(2000, 4);
    writeWholeFile(folder_ / "hand_ZEL", codedFileOf(key, plain));
    writeWholeFile(folder_ / "key.txt", bytesOf("077123200\nnot read\n"));
    const ProgramRun run = zel({"decode", "--key-file=key.txt", "-q", "hand_ZEL"});
    EXPECT_EQ(std::tie(run.status, run.output, run.error), std::tie(allDone, noText, noText));
    EXPECT_TRUE(readWholeFile(folder_ / "hand") == plain);
}

TEST_F(CommandLine, RefusalsSayWhyWithTheirStatusAndChangeNothing) {
    writeWholeFile(folder_ / "plain.txt", bytesOf("not coded"));
    writeWholeFile(folder_ / "a_ZEL", codedFileOf({60, 70, 80}, bytesOf("abc")));
    writeWholeFile(folder_ / "a", bytesOf("in the way"));
    makeFolder(folder_ / "sub");
    writeWholeFile(folder_ / "sub/x", {});
    const std::map<std::string, Bytes> before = contentsOf(folder_.path());
    const std::string at = "zel: ", in = " " + folder_.path();
    const std::string hint = "\nTry 'zel --help' for more information.\n";
    const std::string exists = at + "File already exists !!" + in + "/a\n";
    const std::string keyLength = at + "invalid decodekeylength !!\n";

    const auto expectRefused = [&](const std::vector<std::string>& arguments, int status,
                                   const std::string& error) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        const ProgramRun run = zel(arguments);
        EXPECT_EQ(std::tie(run.status, run.output, run.error), std::tie(status, noText, error));
        EXPECT_EQ(contentsOf(folder_.path()), before);
    };

    expectRefused({"code", "-o", "a", "plain.txt"}, 1, exists);
    expectRefused({"decode", "-k", "060070080", "a_ZEL"}, 1, exists);
    expectRefused({"decode", "-k", "06007008", "a_ZEL", "-o", "b"}, 1, keyLength);
    expectRefused({"decode", "-k", "0600700800", "a_ZEL", "-o", "b"}, 1, keyLength);
    expectRefused({"decode", "-k", "060070080", "-o", "b", "plain.txt"}, 1,
                  at + "can´t decode, not a ZEL coded file !!!\n");
    expectRefused({"code", "plain.txt", "gone.txt"}, 1,
                  at + "Nothing chosen: this file does not exist." + in + "/gone.txt\n");
    expectRefused(
        {"code", "plain.txt", "sub/x"}, 1,
        at + "Nothing chosen: the files must all be in one folder." + in + ":" + in + "/sub\n");
    expectRefused({"code", "sub"}, 1,
                  at + "Nothing chosen: a folder cannot be coded, only files." + in + "/sub\n");
    expectRefused({"code", "-x", "plain.txt"}, 2, at + "unknown option '-x'" + hint);
    expectRefused({"code"}, 2, at + "no files to code" + hint);
    expectRefused({"decode", "plain.txt"}, 2,
                  at + "'plain.txt' does not end in _ZEL: name the decoded file with -o" + hint);
    expectRefused({"decode", "a_ZEL", "-o", "b"}, 2,
                  at + "no key: give it with -k or --key-file (- for standard input)" + hint);
}

TEST_F(CommandLine, HelpSaysTheKeyOfMinusKIsVisibleAndVersionIsTheOneVersion) {
    const ProgramRun help = zel({"code", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("can see it in the\n                       process list"),
              std::string::npos);
    EXPECT_EQ(zel({"--version"}).output, "zel " ZEL_VERSION_TEXT "\n");
}

// A source of gigabytes, read as zeros without being written, in memory: the run takes long
// enough to be caught in the middle.
TEST(CommandLineKilled, ARunKilledInTheMiddleLeavesNothing) {
    for (const int signalNumber : {SIGKILL, SIGINT, SIGTERM}) {
        SCOPED_TRACE(signalNumber);
        TempFolder folder("/dev/shm");
        makeSparseFile(folder / "big", int64_t{8} << 30);
        StartedProgram run({ZEL_PROGRAM_PATH, "code", "big"}, folder.path());
        // The unfinished output is open once it has a descriptor in the folder.
        const auto writing = [&] {
            const std::vector<std::string> open = run.openFiles();
            return std::any_of(open.begin(), open.end(), [&](const std::string& file) {
                return file.rfind(folder.path() + "/", 0) == 0 && file != folder / "big";
            });
        };
        for (int tries = 0; tries < 3000 && !writing(); ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_TRUE(writing());
        EXPECT_EQ(run.stop(signalNumber), 128 + signalNumber);
        EXPECT_EQ(folder.names(), Names{"big"});
    }
}

TEST(CommandLineAtATerminal, TheKeyIsAskedWithoutEchoAndTheProgressLineShows) {
    TempFolder folder("/dev/shm");
    const CodingKey key{51, 52, 253};
    writeWholeFile(folder / "x_ZEL", codedFileOf(key, bytesOf("secret")));
    const ProgramRun asked =
        runAtTerminal({ZEL_PROGRAM_PATH, "decode", "x_ZEL"}, folder.path(), "051052253\n");
    EXPECT_EQ(asked.status, 0);
    EXPECT_EQ(asked.output, "Key: \r\n");  // the line break, not the key
    EXPECT_EQ(readWholeFile(folder / "x"), bytesOf("secret"));

    // Big enough to take longer than the line's first update (0.1 s) on a fast machine.
    makeSparseFile(folder / "big", int64_t{1} << 30);
    const ProgramRun shown = runAtTerminal({ZEL_PROGRAM_PATH, "code", "big"}, folder.path());
    EXPECT_NE(shown.output.find("\rzel: file 1 of 1, "), std::string::npos) << shown.output;
    EXPECT_NE(shown.output.find(" MB/s"), std::string::npos);
    std::remove((folder / "big_ZEL").c_str());
    const ProgramRun quiet =
        runAtTerminal({ZEL_PROGRAM_PATH, "code", "-q", "-o", "q", "big"}, folder.path());
    // The key and the terminal's line break, nothing more.
    EXPECT_TRUE(isKeyText(quiet.output.substr(0, 9)) && quiet.output.substr(9) == "\r\n")
        << quiet.output;
}

// On the file systems fault_mounts.sh mounts, as root.
class CommandLineFaults : public CommandLine {
protected:
    void SetUp() override {
        const char* mounts = std::getenv("ZEL_FAULT_MOUNTS");
        if (mounts == nullptr || !runningAsRoot()) {
            GTEST_SKIP() << "needs root and the fault mounts (ctest mounts them)";
        }
        mounts_ = mounts;
    }
    std::string mounts_;
};

TEST_F(CommandLineFaults, AReadOnlyFolderAndAFullDiskAreToldAndLeaveNothing) {
    const std::string readOnly = mounts_ + "/readonly", full = mounts_ + "/full";
    writeWholeFile(folder_ / "big", pseudoRandomBytes(200000, 5));
    const std::tuple<std::vector<std::string>, std::string, std::string> cases[] = {
        {{"code", readOnly + "/source.bin"},
         readOnly,
         readOnly + "/source.bin_ZEL: Read-only file system"},
        {{"code", "-o", full + "/out", "big"}, full, full + "/out: No space left on device"},
    };
    for (const auto& [arguments, checked, reason] : cases) {
        const Names before = namesIn(checked);
        const ProgramRun run = zel(arguments);
        EXPECT_EQ(std::tie(run.status, run.output), std::make_tuple(1, noText));
        EXPECT_EQ(run.error, "zel: can´t write destfile !! " + reason + "\n");
        EXPECT_EQ(namesIn(checked), before);
    }
}

}  // namespace
}  // namespace zel::test
