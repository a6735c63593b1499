// zel run as a process in a fresh folder, as scripts and people run it: the bytes against the
// reference coding, the key alone on standard output and never missing for a coded file, each
// file on its own, refusals and faults that say why and leave nothing, modes and times kept, a
// run killed half-way, and the terminal's prompt and progress line.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
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
    ProgramRun zel(std::vector<std::string> arguments, const std::string& input = "",
                   StandardOutput output = StandardOutput::captured) const {
        arguments.insert(arguments.begin(), ZEL_PROGRAM_PATH);
        return runToEnd(arguments, folder_.path(), input, output);
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
    // An empty file, one of exactly one chunk, and one a byte past two chunks, named as an
    // option would be: after "--".
    const std::map<std::string, Bytes> sources = {{"a.txt", {}},
                                                  {"b.bin", pseudoRandomBytes(800, 2)},
                                                  {"-c d.dat", pseudoRandomBytes(1601, 3)}};
    for (const auto& [name, bytes] : sources) {
        writeWholeFile(folder_ / name, bytes);
    }

    const CodingKey toDestination =
        codeClean({"code", "-o", "out", "a.txt", "b.bin", "--", "-c d.dat"});
    const CodingKey beside = codeClean({"code", "a.txt", "-q", "--", "b.bin", "-c d.dat"});
    for (const auto& [name, bytes] : sources) {
        expectCodedAs("out_" + name + "_ZEL", toDestination, name);
        expectCodedAs(name + "_ZEL", beside, name);
        // Decoded by name: the _ZEL goes; the key from standard input, line break and all.
        std::remove((folder_ / name).c_str());
        const ProgramRun run =
            zel({"decode", "--key-file", "-", "--", name + "_ZEL"}, formatKeyText(beside) + "\r\n");
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
    const std::string exists = at + "File already exists !! a\n";
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
                  at + "can´t decode, not a ZEL coded file !!! plain.txt\n");
    expectRefused({"decode", "--key-file", "/dev/zero", "-o", "b", "a_ZEL"}, 1,
                  at + "cannot read the key file /dev/zero: its first line is longer than 4096 "
                       "bytes, so it holds no key\n");
    expectRefused({"code", "-x", "plain.txt"}, 2, at + "unknown option '-x'" + hint);
    expectRefused({"code"}, 2, at + "no files to code" + hint);
    for (const std::string name : {"plain.txt", "_ZEL", "sub/_ZEL"}) {
        expectRefused({"decode", name}, 2,
                      at + "'" + name +
                          "' does not end in _ZEL after a name: name the decoded file with -o" +
                          hint);
    }
    expectRefused({"decode", "a_ZEL", "-o", "b"}, 2,
                  at + "no key: give it with -k or --key-file (- for standard input)" + hint);
}

// Missing (before any is coded), a folder, in the way, failing to read: each told on a line of
// its own, the others coded under the one key, printed once, and the status says that not all
// was done. Names are shown as typed, a line break quoted; what /proc says is 0 bytes is coded
// whole.
TEST_F(CommandLine, EachFileStandsOnItsOwnAndTheOthersAreCodedUnderTheOneKey) {
    const std::map<std::string, Bytes> coded = {
        {"a", pseudoRandomBytes(3000, 6)}, {"b", {}}, {"version", readWholeFile("/proc/version")}};
    writeWholeFile(folder_ / "a", coded.at("a"));
    writeWholeFile(folder_ / "b", {});
    writeWholeFile(folder_ / "c", bytesOf("c"));
    writeWholeFile(folder_ / "out_c_ZEL", bytesOf("in the way"));
    makeFolder(folder_ / "sub");

    const ProgramRun run = zel({"code", "-o", "out", "gone\nname", "a", "sub", "b", "c",
                                "/proc/version", "/proc/self/mem"});
    EXPECT_EQ(run.status, 1);
    const std::string at = "zel: can´t read sourcefile !! ";
    EXPECT_EQ(run.error, at + "$'gone\\nname': No such file or directory\n" + at +
                             "sub: Is a directory\nzel: File already exists !! out_c_ZEL\n" + at +
                             "/proc/self/mem: Input/output error\n");
    ASSERT_TRUE(isKeyText(run.output.substr(0, 9)) && run.output.substr(9) == "\n") << run.output;
    for (const auto& [name, bytes] : coded) {
        EXPECT_TRUE(readWholeFile(folder_ / ("out_" + name + "_ZEL")) ==
                    codedFileOf(parseKeyText(run.output), bytes))
            << name;
    }
    EXPECT_EQ(readWholeFile(folder_ / "out_c_ZEL"), bytesOf("in the way"));
    EXPECT_EQ(folder_.names(), (Names{"a", "b", "c", "out_a_ZEL", "out_b_ZEL", "out_c_ZEL",
                                      "out_version_ZEL", "sub"}));
}

// Each output is on the disk before it gets its name, and the name right after: in the system
// calls zel makes, traced, the unfinished file is written through (as "#inode" while it has no
// name, or NAME.part), then named, then at once its folder is written through.
TEST_F(CommandLine, EachOutputIsOnTheDiskBeforeItsNameAndItsNameRightAfter) {
    if (runToEnd({"/usr/bin/env", "strace", "-V"}, folder_.path()).status != 0) {
        GTEST_SKIP() << "needs strace, which scripts/setup.sh installs for the tests";
    }
    writeWholeFile(folder_ / "a", pseudoRandomBytes(3000, 11));
    writeWholeFile(folder_ / "b", {});
    makeFolder(folder_ / "coded");
    const std::string calls = "fsync,fdatasync,link,linkat,rename,renameat,renameat2";
    const TracedRun coded =
        runTraced({ZEL_PROGRAM_PATH, "code", "-o", "coded/", "a", "b"}, folder_.path(), calls);
    ASSERT_EQ(std::tie(coded.status, coded.error), std::tie(allDone, noText));
    const TracedRun decoded = runTraced(
        {ZEL_PROGRAM_PATH, "decode", "-k", coded.output.substr(0, 9), "coded/a_ZEL", "-o", "back"},
        folder_.path(), calls);
    ASSERT_EQ(std::tie(decoded.status, decoded.error), std::tie(allDone, noText));
    EXPECT_EQ(readWholeFile(folder_ / "back"), readWholeFile(folder_ / "a"));

    for (const auto& [run, output] :
         {std::pair(&coded, "coded/a_ZEL"), std::pair(&coded, "coded/b_ZEL"),
          std::pair(&decoded, "back")}) {
        SCOPED_TRACE(output + testing::PrintToString(run->calls));
        char path[PATH_MAX];
        struct stat status {};
        ASSERT_TRUE(::realpath((folder_ / output).c_str(), path) && ::stat(path, &status) == 0);
        const std::string real = path, folder = real.substr(0, real.rfind('/'));
        const auto lineOf = [&](const std::string& text) {
            std::size_t line = 0;
            while (line < run->calls.size() && run->calls[line].find(text) == std::string::npos) {
                ++line;
            }
            return line;
        };
        // "/#inode>(deleted)", or "/#inode (deleted)>" as older strace shows it.
        const std::string unnamed = "/#" + std::to_string(status.st_ino);
        const std::size_t flushed = std::min(
            {lineOf(unnamed + ">"), lineOf(unnamed + " (deleted)>"), lineOf(real + ".part>")});
        const std::size_t named = lineOf('"' + std::string(output) + '"');
        EXPECT_LT(flushed, named);
        ASSERT_LT(named + 1, run->calls.size());
        EXPECT_NE(run->calls[named + 1].find("<" + folder + ">)"), std::string::npos);
    }
}

// A coded file whose key never reached the user could never be decoded: a key that cannot be
// written leaves none, and fails the run, as does any output that does not arrive.
TEST_F(CommandLine, AKeyThatCannotBeWrittenLeavesNoCodedFile) {
    writeWholeFile(folder_ / "a", bytesOf("a"));
    writeWholeFile(folder_ / "b", bytesOf("b"));
    const std::pair<StandardOutput, std::string> outputs[] = {
        {StandardOutput::fullDisk, "No space left on device"},
        {StandardOutput::closed, "Bad file descriptor"},
        {StandardOutput::readerGone, "Broken pipe"}};
    for (const auto& [output, reason] : outputs) {
        const ProgramRun run = zel({"code", "a", "b"}, "", output);
        EXPECT_EQ(
            std::tie(run.status, run.error),
            std::make_tuple(1, "zel: cannot write the key: " + reason + "; nothing was coded\n"));
        EXPECT_EQ(folder_.names(), (Names{"a", "b"}));
    }
    const ProgramRun help = zel({"--help"}, "", StandardOutput::fullDisk);
    EXPECT_EQ(std::tie(help.status, help.error),
              std::make_tuple(1, std::string("zel: write error: No space left on device\n")));
}

// "-" is the standard input, and the standard output is where its output goes, or that of -o -:
// the coded stream with its key on standard error, first; a stream without the marker refused.
TEST_F(CommandLine, StreamsRoundTripThroughPipesWithTheKeyOnStandardErrorFirst) {
    const Bytes plain = pseudoRandomBytes(5000, 10);
    const ProgramRun coded = zel({"code", "-"}, asString(plain));
    ASSERT_EQ(coded.status, 0) << coded.error;
    ASSERT_EQ(coded.error.substr(0, 9), "zel: key ");
    const std::string key = coded.error.substr(9, 9);
    EXPECT_TRUE(isKeyText(key) && coded.error.substr(18) == "\n") << coded.error;
    EXPECT_TRUE(bytesOf(coded.output) == codedFileOf(parseKeyText(key), plain));

    const ProgramRun decoded = zel({"decode", "-k", key, "-"}, coded.output);
    EXPECT_EQ(std::tie(decoded.status, decoded.error), std::make_tuple(0, noText));
    EXPECT_TRUE(bytesOf(decoded.output) == plain);

    // Both streams into one pipe: the key's line comes before the first coded byte.
    const ProgramRun merged =
        runToEnd({"/bin/sh", "-c", "exec \"$0\" code - 2>&1", ZEL_PROGRAM_PATH}, folder_.path(),
                 asString(plain));
    EXPECT_EQ(merged.output.substr(0, 9) + merged.output.substr(18, 4), "zel: key \nZEL");

    writeWholeFile(folder_ / "f", plain);
    const ProgramRun named = zel({"code", "-q", "-o", "-", "f"});
    EXPECT_TRUE(bytesOf(named.output) == codedFileOf(parseKeyText(named.error.substr(9)), plain));
    const ProgramRun refused = zel({"decode", "-k", key, "-"}, "plain text");
    EXPECT_EQ(std::tie(refused.status, refused.output, refused.error),
              std::make_tuple(1, noText,
                              std::string("zel: can´t decode, not a ZEL coded file !!! "
                                          "(standard input)\n")));
    EXPECT_EQ(folder_.names(), Names{"f"});
}

// -o that ends in / or names a folder takes the outputs under their own names, both ways.
TEST_F(CommandLine, AFolderAfterDashOTakesTheOutputsUnderTheirOwnNames) {
    makeFolder(folder_ / "in");
    makeFolder(folder_ / "coded");
    makeFolder(folder_ / "back");
    const Names names = {"a", "b", "c"};
    for (const std::string& name : names) {
        writeWholeFile(folder_ / ("in/" + name), bytesOf("of " + name));
    }
    const CodingKey key = codeClean({"code", "-o", "coded/", "in/a", "in/b", "in/c"});
    EXPECT_EQ(namesIn(folder_ / "coded"), (Names{"a_ZEL", "b_ZEL", "c_ZEL"}));
    const ProgramRun decoded = zel({"decode", "-k", formatKeyText(key), "-o", "back", "coded/a_ZEL",
                                    "coded/b_ZEL", "coded/c_ZEL"});
    EXPECT_EQ(std::tie(decoded.status, decoded.error), std::make_tuple(0, noText));
    for (const std::string& name : names) {
        EXPECT_EQ(readWholeFile(folder_ / ("back/" + name)), bytesOf("of " + name));
    }
}

// Outputs take the source's permission bits and times, and give them back when decoded.
TEST_F(CommandLine, ModesAndTimesAreKeptBothWays) {
    const int64_t in2020 = 1583020800;  // 2020-03-01
    for (const mode_t mode : {0600, 0640, 0444}) {
        SCOPED_TRACE(mode);
        const std::string name = "m" + std::to_string(mode);
        writeWholeFile(folder_ / name, bytesOf(name));
        ::chmod((folder_ / name).c_str(), mode);
        const timespec times[2] = {{in2020, 0}, {in2020 + 60, 500}};
        ::utimensat(AT_FDCWD, (folder_ / name).c_str(), times, 0);
        const CodingKey key = codeClean({"code", name});
        const ProgramRun decoded =
            zel({"decode", "-k", formatKeyText(key), "-o", name + ".back", name + "_ZEL"});
        EXPECT_EQ(decoded.status, 0) << decoded.error;
        for (const std::string& output : {name + "_ZEL", name + ".back"}) {
            struct stat status {};
            ASSERT_EQ(::stat((folder_ / output).c_str(), &status), 0);
            EXPECT_EQ(status.st_mode & 07777, mode) << output;
            EXPECT_EQ(std::tie(status.st_mtim.tv_sec, status.st_mtim.tv_nsec),
                      std::make_tuple(in2020 + 60, 500L))
                << output;
        }
    }
}

// Names are used as given: relative ones stay relative, so a file deeper than the longest
// absolute path the system takes is coded and decoded from a folder near it.
TEST_F(CommandLine, APathDeeperThanTheLongestAbsolutePathWorks) {
    const std::string part(200, 'd');
    std::string deep = folder_.path();
    int folder = ::open(folder_.path().c_str(), O_RDONLY | O_DIRECTORY);
    for (int depth = 0; depth < 21; ++depth) {
        ASSERT_EQ(::mkdirat(folder, part.c_str(), 0755), 0);
        const int inner = ::openat(folder, part.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(folder);
        folder = inner;
        deep += "/" + part;
    }
    ASSERT_GT(deep.size(), std::size_t{PATH_MAX});
    const int file = ::openat(folder, "deep.txt", O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(::write(file, "deep", 4), 4);
    ::close(file);
    ::close(folder);

    const std::string parent = deep.substr(0, deep.size() - part.size() - 1);
    const std::string name = part + "/deep.txt";
    const ProgramRun coded = runToEnd({ZEL_PROGRAM_PATH, "code", name}, parent);
    ASSERT_EQ(std::tie(coded.status, coded.error), std::make_tuple(0, noText));
    const ProgramRun decoded = runToEnd(
        {ZEL_PROGRAM_PATH, "decode", "-k", coded.output.substr(0, 9), "-o", "back", name + "_ZEL"},
        parent);
    EXPECT_EQ(std::tie(decoded.status, decoded.error), std::make_tuple(0, noText));
    EXPECT_EQ(runToEnd({"/bin/cat", "back"}, parent).output, "deep");
}

TEST_F(CommandLine, HelpSaysTheKeyOfMinusKIsVisibleAndVersionIsTheOneVersion) {
    const ProgramRun help = zel({"code", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("can see it in the\n                       process list"),
              std::string::npos);
    EXPECT_EQ(zel({"--version"}).output, "zel " ZEL_VERSION_TEXT "\n");
}

// A small file, then a source of gigabytes, read as zeros without being written, in memory: the
// run takes long enough to be caught in the second file. The first is coded and its key out
// before it was named; nothing is left of the second.
TEST(CommandLineKilled, ARunKilledInTheMiddleKeepsTheFilesDoneWithTheirKeyAndNothingElse) {
    const Bytes small = pseudoRandomBytes(1000, 9);
    for (const int signalNumber : {SIGKILL, SIGINT, SIGTERM}) {
        SCOPED_TRACE(signalNumber);
        TempFolder folder("/dev/shm");
        TempFolder keyFolder;
        writeWholeFile(folder / "small", small);
        makeSparseFile(folder / "big", int64_t{8} << 30);
        StartedProgram run({ZEL_PROGRAM_PATH, "code", "small", "big"}, folder.path(),
                           keyFolder / "key");
        // The second file is under way once its source is open, and its unfinished output,
        // with a descriptor of another file in the folder.
        const auto writing = [&] {
            const std::vector<std::string> open = run.openFiles();
            const auto has = [&](const std::string& file) {
                return std::find(open.begin(), open.end(), file) != open.end();
            };
            return has(folder / "big") &&
                   std::any_of(open.begin(), open.end(), [&](const std::string& file) {
                       return file.rfind(folder.path() + "/", 0) == 0 && file != folder / "big" &&
                              file != folder / "small";
                   });
        };
        for (int tries = 0; tries < 3000 && !writing(); ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_TRUE(writing());
        EXPECT_EQ(run.stop(signalNumber), 128 + signalNumber);
        EXPECT_EQ(folder.names(), (Names{"big", "small", "small_ZEL"}));
        const std::string key = asString(readWholeFile(keyFolder / "key"));
        ASSERT_TRUE(isKeyText(key.substr(0, 9)) && key.substr(9) == "\n") << key;
        EXPECT_TRUE(readWholeFile(folder / "small_ZEL") == codedFileOf(parseKeyText(key), small));
    }
}

TEST(CommandLineAtATerminal, TheKeyIsAskedWithoutEchoAndTheProgressLineShows) {
    TempFolder folder("/dev/shm");
    const CodingKey key{51, 52, 253};
    writeWholeFile(folder / "x_ZEL", codedFileOf(key, bytesOf("secret")));
    // The echo is back on once the program has ended: after the key, after Ctrl+D (nothing was
    // typed, said on a line of its own), and after Ctrl+C, which ends the program by its signal.
    const TerminalRun asked =
        runAtTerminal({ZEL_PROGRAM_PATH, "decode", "x_ZEL"}, folder.path(), "051052253\n");
    EXPECT_EQ(std::tie(asked.status, asked.settingsKept), std::make_tuple(0, true));
    EXPECT_EQ(asked.output, "Key: \r\n");  // the line break, not the key
    EXPECT_EQ(readWholeFile(folder / "x"), bytesOf("secret"));
    const TerminalRun ended =
        runAtTerminal({ZEL_PROGRAM_PATH, "decode", "x_ZEL", "-o", "y"}, folder.path(), "\x04");
    EXPECT_EQ(std::tie(ended.status, ended.output, ended.settingsKept),
              std::make_tuple(1, std::string("Key: \r\nzel: no key was typed\r\n"), true));
    const TerminalRun interrupted =
        runAtTerminal({ZEL_PROGRAM_PATH, "decode", "x_ZEL", "-o", "y"}, folder.path(), "\x03");
    EXPECT_EQ(std::tie(interrupted.status, interrupted.output, interrupted.settingsKept),
              std::make_tuple(128 + SIGINT, std::string("Key: "), true));
    EXPECT_EQ(folder.names(), (Names{"x", "x_ZEL"}));

    // Several files, the key asked for once, each failing on its own in a folder not there yet;
    // coded bytes kept off the terminal, decoded ones shown there when asked for.
    writeWholeFile(folder / "z_ZEL", codedFileOf(key, bytesOf("more")));
    const ProgramRun both =
        runAtTerminal({ZEL_PROGRAM_PATH, "decode", "-q", "x_ZEL", "z_ZEL", "-o", "back/"},
                      folder.path(), "051052253\n");
    const std::string missing = ": No such file or directory\r\n";
    EXPECT_EQ(std::tie(both.status, both.output),
              std::make_tuple(1, "Key: \r\nzel: can´t write destfile !! back/x" + missing +
                                     "zel: can´t write destfile !! back/z" + missing));
    makeFolder(folder / "back");
    const ProgramRun again = runAtTerminal(
        {ZEL_PROGRAM_PATH, "decode", "x_ZEL", "z_ZEL", "-o", "back"}, folder.path(), "051052253\n");
    EXPECT_EQ(std::tie(again.status, again.output), std::make_tuple(0, std::string("Key: \r\n")));
    EXPECT_EQ(namesIn(folder / "back"), (Names{"x", "z"}));
    const ProgramRun coded =
        runAtTerminal({ZEL_PROGRAM_PATH, "code", "-o", "-", "x"}, folder.path());
    EXPECT_EQ(std::tie(coded.status, coded.output),
              std::make_tuple(1, std::string("zel: coded data not written to a terminal: redirect "
                                             "standard output, or name an output with -o\r\n")));
    const ProgramRun plain = runAtTerminal(
        {ZEL_PROGRAM_PATH, "decode", "-k", "051052253", "-o", "-", "x_ZEL"}, folder.path());
    EXPECT_EQ(std::tie(plain.status, plain.output), std::make_tuple(0, std::string("secret")));
}

// The progress line shows once the run has gone on for a while, and a signal takes it off the
// terminal before the program ends. The run is paused long enough for the line to be due,
// whatever the machine's speed; a file of gigabytes, read as zeros without being written, keeps
// it going meanwhile.
TEST(CommandLineAtATerminal, TheProgressLineShowsAndASignalClearsIt) {
    TempFolder folder("/dev/shm");
    makeSparseFile(folder / "big", int64_t{8} << 30);
    bool paused = false;
    const ProgramRun shown = runAtTerminal(
        {ZEL_PROGRAM_PATH, "code", "big"}, folder.path(), "",
        [&](pid_t program, const std::string& output) {
            if (!paused && namesIn("/proc/" + std::to_string(program) + "/fd").size() > 4) {
                ::kill(program, SIGSTOP);
                std::this_thread::sleep_for(std::chrono::milliseconds(150));
                ::kill(program, SIGCONT);
                paused = true;
            }
            if (paused && output.find(" MB/s") != std::string::npos) {
                ::kill(program, SIGTERM);
                return true;
            }
            return false;
        });
    EXPECT_EQ(shown.status, 128 + SIGTERM);
    const std::size_t line = shown.output.rfind("\rzel: file 1 of 1, ");
    ASSERT_NE(line, std::string::npos) << shown.output;
    const std::size_t width = shown.output.find(" MB/s", line) + 5 - line - 1;
    // The line, perhaps shown again, then blanked: a return, blanks over it, a return.
    EXPECT_EQ(shown.output.substr(shown.output.size() - width - 2),
              "\r" + std::string(width, ' ') + "\r")
        << shown.output;
    EXPECT_EQ(folder.names(), Names{"big"});
}

// A drop box: a folder its user may write but not list, so it cannot be opened to write a new
// name through to the disk. The output is complete under its name all the same, so it counts
// as done. Run as another user, since root may list any folder.
TEST_F(CommandLine, AFolderThatMayBeWrittenButNotListedTakesItsOutputAsDone) {
    if (!runningAsRoot()) {
        GTEST_SKIP() << "needs root, to run zel as another user for whom the folder is closed";
    }
    const std::string nobody = "65534";
    makeFolder(folder_ / "dropbox");
    writeWholeFile(folder_ / "a.txt", bytesOf("for the box"));
    ASSERT_EQ(::chmod(folder_.path().c_str(), 0755), 0);
    ASSERT_EQ(::chown((folder_ / "dropbox").c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chmod((folder_ / "dropbox").c_str(), 0333), 0);
    const ProgramRun run =
        runToEnd({"/usr/bin/setpriv", "--reuid=" + nobody, "--regid=" + nobody, "--clear-groups",
                  ZEL_PROGRAM_PATH, "code", "-o", "dropbox/a.zel", "a.txt"},
                 folder_.path());
    EXPECT_EQ(std::tie(run.status, run.error), std::make_tuple(0, noText));
    ASSERT_TRUE(isKeyText(run.output.substr(0, 9))) << run.output;
    EXPECT_TRUE(readWholeFile(folder_ / "dropbox/a.zel") ==
                codedFileOf(parseKeyText(run.output), bytesOf("for the box")));
    EXPECT_EQ(namesIn(folder_ / "dropbox"), Names{"a.zel"});
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
