#include "tests/support/processes.h"

#include <atomic>
#include <cstdio>
#include <stdexcept>
#include <thread>

#include "jobs/buffered_files.h"
#include "jobs/texts.h"
#include "tests/support/real_files.h"
#include "tests/support/recording_host.h"
#include "win32/text.h"
#include "win32/win32_binary_file.h"

namespace zel::test {

namespace {

// Holds <path> open without sharing, signals the event <name>, then waits for the process
// <parent id> to end: ending with the test program, even when it dies, leaves no orphan
// holding CTest's output. With <milliseconds>, lets the file go that long after the signal.
constexpr char holdUnsharedRole[] = "--hold-unshared";

// Quoted as CommandLineToArgvW reads it: backslashes count only before a quote.
std::wstring quotedArgument(const std::wstring& argument) {
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L'"';
}

std::wstring thisProgramPath() {
    std::wstring path(32768, L'\0');  // the longest path the system has
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path;
}

int holdUnshared(const std::string& path, const std::string& readyEventName,
                 const std::string& parentId, const std::string& releaseAfter) {
    const win32::KernelHandle parent(
        OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(std::stoul(parentId))));
    win32::KernelHandle file = openUnshared(path);
    const win32::KernelHandle ready(OpenEventA(EVENT_MODIFY_STATE, FALSE, readyEventName.c_str()));
    if (!parent || !file || !ready || !SetEvent(ready.get())) {
        return 1;
    }
    if (!releaseAfter.empty()) {
        Sleep(static_cast<DWORD>(std::stoul(releaseAfter)));
        file.reset();
    }
    WaitForSingleObject(parent.get(), INFINITE);
    return 0;
}

// Leaves "<go>.<process id>.ready", then waits until the file <go> exists, so that two
// processes started apart begin their jobs at the same moment.
bool waitForGo(const std::string& go) {
    const std::string ready = go + "." + std::to_string(GetCurrentProcessId()) + ".ready";
    if (!win32::KernelHandle(CreateFileA(ready.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr))) {
        return false;
    }
    return waitUntil([&] { return GetFileAttributesA(go.c_str()) != INVALID_FILE_ATTRIBUTES; },
                     milliseconds(300000), milliseconds(0));
}

int runJob(std::vector<std::string> args) {
    if (args.size() >= 2 && args[0] == "--after") {
        if (!waitForGo(args[1])) {
            return 3;
        }
        args.erase(args.begin(), args.begin() + 2);
    }
    // As the program does: the texts in the process's code page, as the paths are; the real
    // clock.
    convertTexts(win32::inProcessCodePage);
    Win32BinaryFile systemFiles;
    BufferedFiles files(systemFiles);
    RecordingHost host;
    host.recordProgress = false;
    if (args.size() >= 3 && args[0] == "code") {
        const std::vector<std::string> pieces(args.begin() + 2, args.end());
        const auto count = static_cast<int16_t>(pieces.size() == 1 ? 1 : pieces.size() - 1);
        SharedState state{selectionOf(pieces), count, args[1], "", ""};
        runCoding(state, host, files, localTimeOfDay);
    } else if (args.size() == 4 && args[0] == "decode") {
        SharedState state{selectionOf({args[1]}), 1, args[2], "", ""};
        host.keyEntryText = args[3];
        runDecoding(state, host, files);
    } else {
        std::fprintf(stderr,
                     "usage: %s [--after FILE] code DEST SOURCE | code DEST FOLDER NAME... | "
                     "decode CODED DEST KEY\n",
                     jobRole);
        return 2;
    }
    for (std::string info : host.infos()) {
        for (std::size_t at; (at = info.find('\n')) != std::string::npos;) {
            info.replace(at, 1, " | ");
        }
        std::printf("info: %s\n", info.c_str());
    }
    if (!host.shownKeyText.empty()) {
        std::printf("key: %s\n", host.shownKeyText.c_str());
    }
    std::fflush(stdout);
    return 0;
}

}  // namespace

bool waitUntil(const std::function<bool()>& condition, milliseconds limit, milliseconds interval) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (condition()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        std::this_thread::sleep_for(interval);
    }
}

Process::Process(const std::wstring& program, const std::vector<std::wstring>& arguments,
                 const std::wstring& folder, HANDLE output, HANDLE error) {
    std::wstring commandLine = quotedArgument(program);
    for (const std::wstring& argument : arguments) {
        commandLine += L" " + quotedArgument(argument);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    const bool redirected = output != nullptr;
    if (redirected) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = nullptr;
        startup.hStdOutput = output;
        startup.hStdError = error;
    }
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, redirected, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &started)) {
        throw std::runtime_error("cannot start " + win32::fromWideForDisplay(program));
    }
    win32::KernelHandle(started.hThread).close();
    process_.reset(started.hProcess);
    id_ = started.dwProcessId;
    threadId_ = started.dwThreadId;
}

Process Process::ofThisProgram(const std::vector<std::string>& arguments) {
    std::vector<std::wstring> wide;
    for (const std::string& argument : arguments) {
        wide.push_back(wideOf(argument));
    }
    return Process(thisProgramPath(), wide);
}

bool Process::running() const {
    return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Process::waitForExit(milliseconds limit) const {
    if (!process_ ||
        WaitForSingleObject(process_.get(), static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

void Process::terminate() {
    if (running()) {
        TerminateProcess(process_.get(), 99);
        waitForExit(milliseconds(30000));
    }
}

ProgramRun runToEnd(const std::wstring& program, const std::vector<std::wstring>& arguments,
                    const std::wstring& folder, milliseconds limit) {
    // Files rather than pipes, so that nothing waits on a full pipe; removed when closed.
    const auto captureFile = [](const wchar_t* name) {
        wchar_t folderName[MAX_PATH] = {}, path[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, folderName);
        GetTempFileNameW(folderName, name, 0, path);
        SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
        return win32::KernelHandle(
            CreateFileW(path, GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherited,
                        CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    };
    const auto contentOf = [](HANDLE file) {
        std::string text(static_cast<std::size_t>(GetFileSize(file, nullptr)), '\0');
        DWORD got = 0;
        SetFilePointer(file, 0, nullptr, FILE_BEGIN);
        ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &got, nullptr);
        text.resize(got);
        return text;
    };
    const win32::KernelHandle output = captureFile(L"out");
    const win32::KernelHandle error = captureFile(L"err");
    ProgramRun run;
    {
        Process process(program, arguments, folder, output.get(), error.get());
        run.exitCode = process.waitForExit(limit);
    }
    run.output = contentOf(output.get());
    run.error = contentOf(error.get());
    return run;
}

FileHeldByOtherProcess::FileHeldByOtherProcess(const std::string& path,
                                               std::optional<milliseconds> releaseAfter) {
    static std::atomic<int> made{0};
    const std::string eventName =
        "zel-test-held-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++made);
    ready_.reset(CreateEventA(nullptr, TRUE, FALSE, eventName.c_str()));
    std::vector<std::string> arguments{holdUnsharedRole, path, eventName,
                                       std::to_string(GetCurrentProcessId())};
    if (releaseAfter) {
        arguments.push_back(std::to_string(releaseAfter->count()));
    }
    holder_.emplace(Process::ofThisProgram(arguments));
    // The holder signals once it has the file open, or ends when it cannot open it.
    const HANDLE waitFor[] = {ready_.get(), holder_->handle()};
    holding_ = WaitForMultipleObjects(2, waitFor, FALSE, 60000) == WAIT_OBJECT_0;
}

std::optional<int> playChildRole(int argc, char** argv) {
    if ((argc == 5 || argc == 6) && std::string(argv[1]) == holdUnsharedRole) {
        return holdUnshared(argv[2], argv[3], argv[4], argc == 6 ? argv[5] : "");
    }
    if (argc >= 2 && std::string(argv[1]) == jobRole) {
        return runJob(std::vector<std::string>(argv + 2, argv + argc));
    }
    return std::nullopt;
}

}  // namespace zel::test
