// Real files and started programs for the POSIX tests: temporary folders, whole files, and
// programs run to their end, killed half-way, at a terminal of their own, or traced.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/test_bytes.h"

namespace zel::test {

// A new empty folder in the base folder ($TMPDIR or /tmp when none is given), removed with all
// it holds.
class TempFolder {
public:
    explicit TempFolder(const std::string& base = "");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    std::vector<std::string> names() const;

private:
    std::string path_;
};

// The names in the folder, sorted.
std::vector<std::string> namesIn(const std::string& folder);

void makeFolder(const std::string& path);
void writeWholeFile(const std::string& path, const Bytes& bytes);
Bytes readWholeFile(const std::string& path);
// A file of the given length whose bytes are all zero, made without writing them.
void makeSparseFile(const std::string& path, int64_t length);

// How a program ended: its exit status, or 128 + the signal that ended it (as a shell says).
struct ProgramRun {
    int status = -1;
    std::string output;  // standard output
    std::string error;   // standard error
};

// Where a program's standard output goes: a pipe read to its end, a disk that is full
// (/dev/full), nowhere (closed), or a pipe whose reader has gone.
enum class StandardOutput { captured, fullDisk, closed, readerGone };

// Runs the program (its path and arguments) in the folder, with `input` on its standard input.
// The folder may be deeper than the longest path the system takes.
ProgramRun runToEnd(const std::vector<std::string>& command, const std::string& folder,
                    const std::string& input = "",
                    StandardOutput output = StandardOutput::captured);

// A program started in the folder, its standard streams on /dev/null, or its standard output
// into the file named; killed when this goes.
class StartedProgram {
public:
    StartedProgram(const std::vector<std::string>& command, const std::string& folder,
                   const std::string& outputFile = "");
    ~StartedProgram();
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;

    pid_t id() const { return id_; }
    // The targets of its open descriptors ("/d/name", "/d/#123 (deleted)", ...).
    std::vector<std::string> openFiles() const;
    // Sends the signal and gives how it ended (ProgramRun::status).
    int stop(int signalNumber);

private:
    pid_t id_ = -1;
};

// What a test does while a program runs at a terminal: given the program and what it has shown
// so far, again and again until it answers true.
using WhileShowing = std::function<bool(pid_t program, const std::string& shown)>;

// A run at a terminal, whose output is all it showed there, its errors too.
struct TerminalRun : ProgramRun {
    // Whether the program left the terminal's settings (its echo, its line editing) as it found
    // them, read once it has ended.
    bool settingsKept = false;
};

// A program run at a terminal of its own (a pseudo-terminal for its standard input, output
// and error, and its controlling terminal), as a person would: what it shows there once it has
// ended, `typed` having been typed when it asked.
TerminalRun runAtTerminal(const std::vector<std::string>& command, const std::string& folder,
                          const std::string& typed = "", const WhileShowing& meanwhile = {});

// A run traced by strace: the system calls named (strace's -e trace=), one a line in the order
// made, each descriptor followed by what it names, as in "fsync(4</tmp/d/#1234>(deleted))".
struct TracedRun : ProgramRun {
    std::vector<std::string> calls;
};
TracedRun runTraced(const std::vector<std::string>& command, const std::string& folder,
                    const std::string& calls);

// Whether the tests run as root: some file systems can then be mounted for them.
bool runningAsRoot();

}  // namespace zel::test
