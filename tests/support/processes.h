// Processes the Windows tests start: zel.exe, or this test program again in a child role: to
// hold a file from another process (Wine enforces share modes between processes) or to run a
// job that is killed half-way or traced.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "win32/unique_handle.h"

namespace zel::test {

using std::chrono::milliseconds;

// Generous limits: Wine starts programs and opens file dialogs slowly on a busy machine.
inline constexpr milliseconds startLimit{30000};
inline constexpr milliseconds waitLimit{15000};

// Polls the condition every interval until it holds (true) or the limit has passed.
bool waitUntil(const std::function<bool()>& condition, milliseconds limit = waitLimit,
               milliseconds interval = milliseconds(10));

// A started process, ended (if still running) when this object goes.
class Process {
public:
    // Starts the program (each argument passed as one; in the folder if given), or throws.
    // Its standard output and error go to the handles given (inheritable), its input nowhere.
    Process(const std::wstring& program, const std::vector<std::wstring>& arguments,
            const std::wstring& folder = {}, HANDLE output = nullptr, HANDLE error = nullptr);
    // This test program again with the arguments, for a child role.
    static Process ofThisProgram(const std::vector<std::string>& arguments);
    ~Process() { terminate(); }
    Process(Process&&) = default;
    Process& operator=(Process&&) = delete;  // would leave the running process behind

    HANDLE handle() const { return process_.get(); }
    DWORD id() const { return id_; }
    DWORD threadId() const { return threadId_; }
    bool running() const;
    // The exit code once the process has ended within the limit.
    std::optional<DWORD> waitForExit(milliseconds limit = waitLimit) const;
    void terminate();

private:
    win32::KernelHandle process_;
    DWORD id_ = 0;
    DWORD threadId_ = 0;
};

// A console program run to its end: its exit code (none if it outlived the limit and was ended)
// and what it wrote to its standard output and error, as bytes.
struct ProgramRun {
    std::optional<DWORD> exitCode;
    std::string output;
    std::string error;
};
ProgramRun runToEnd(const std::wstring& program, const std::vector<std::wstring>& arguments,
                    const std::wstring& folder, milliseconds limit = waitLimit);

// Holds a file open without sharing in a child process, until destroyed, or for the time given
// from the moment it holds it.
class FileHeldByOtherProcess {
public:
    explicit FileHeldByOtherProcess(const std::string& path,
                                    std::optional<milliseconds> releaseAfter = std::nullopt);
    // Whether the other process has the file open.
    bool holding() const { return holding_; }

private:
    win32::KernelHandle ready_;
    std::optional<Process> holder_;
    bool holding_ = false;
};

// Runs one job on real files as the dialog does (large blocks over the Win32 file system) and
// prints what the window would show: each message as "info: ..." (line breaks as " | ") and
// the key as "key: <nine digits>". For a test that kills a run half-way, and for the scripts
// that trace runs or start two at once. The sources are named as the source chooser gives them:
// one full path, or the folder and the names in it.
//   <test program> --job [--after <go file>] code <destination> <source> | <folder> <name>...
//   <test program> --job [--after <go file>] decode <coded file> <destination> <key text>
inline constexpr char jobRole[] = "--job";

// Plays the child role named by the arguments, if any, and gives its exit code; the test
// programs' main() calls it first.
std::optional<int> playChildRole(int argc, char** argv);

}  // namespace zel::test
