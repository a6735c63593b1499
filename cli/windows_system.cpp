// The command line's system on Windows: zelc.exe, a console program. Under its manifest the
// process's code page is UTF-8 (Windows 10 1903 and later), so names in any script arrive;
// before that it is the ANSI code page.
#include "cli/system.h"

#include "win32/unique_handle.h"  // <windows.h> first

#include <algorithm>
#include <atomic>

#include "jobs/texts.h"
#include "win32/error_text.h"
#include "win32/named_paths.h"
#include "win32/text.h"
#include "win32/win32_binary_file.h"

namespace zel::cli {

namespace {

HANDLE handleOf(Stream stream) {
    switch (stream) {
        case Stream::input:
            return GetStdHandle(STD_INPUT_HANDLE);
        case Stream::output:
            return GetStdHandle(STD_OUTPUT_HANDLE);
        case Stream::error:
            break;
    }
    return GetStdHandle(STD_ERROR_HANDLE);
}

bool isConsole(HANDLE handle) {
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != 0;
}

DWORD firstStreamError = ERROR_SUCCESS;

bool streamFailed(DWORD error) {
    if (firstStreamError == ERROR_SUCCESS) {
        firstStreamError = error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT;
    }
    return false;
}

// The console's input mode before the prompt turned its echo off, and the progress line on
// standard error: what Ctrl+C puts right before the program ends.
std::atomic<HANDLE> promptInput{nullptr};
DWORD modeBeforePrompt = 0;
std::atomic<std::size_t> progressWidth{0};

// The console itself, so that the prompt shows and the key is read there whatever the standard
// streams are.
win32::KernelHandle openConsole(const wchar_t* name) {
    return win32::KernelHandle(CreateFileW(name, GENERIC_READ | GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
}

// The argument in the process's code page, each character that the code page cannot carry over
// unchanged (a look-alike letter, U+FFFD) as '?', which no Windows file name may hold: such a
// name, or an option's value cut from it, then names no file at all.
std::string narrowArgument(const std::wstring& wide) {
    if (const std::optional<std::string> exact = win32::fromWide(wide)) {
        return *exact;
    }
    std::string narrow;
    for (std::size_t i = 0; i < wide.size();) {
        const bool pair =
            i + 1 < wide.size() && IS_HIGH_SURROGATE(wide[i]) && IS_LOW_SURROGATE(wide[i + 1]);
        const std::size_t length = pair ? 2 : 1;
        const std::optional<std::string> character = win32::fromWide(wide.substr(i, length));
        narrow += character ? *character : "?";
        i += length;
    }
    return narrow;
}

}  // namespace

std::vector<std::string> startProgram(int, char**) {
    convertTexts(win32::inProcessCodePage);
    // Ctrl+C, Ctrl+Break and the console's closing end the process: the unfinished output goes
    // first, also one that is being written through and renamed at that moment, which the
    // system would not remove with the process; and a prompt's console gets its echo back.
    SetConsoleCtrlHandler(
        [](DWORD) -> BOOL {
            discardUnfinishedOutputs();
            if (const HANDLE input = promptInput.load(); input != nullptr) {
                SetConsoleMode(input, modeBeforePrompt);
            }
            if (const std::size_t width = progressWidth.load(); width > 0) {
                writeText(Stream::error, "\r" + std::string(width, ' ') + "\r");
            }
            // Ended here, as the default handler would, so that the job does not go on to
            // report the output it has lost.
            ExitProcess(STATUS_CONTROL_C_EXIT);
        },
        TRUE);
    std::vector<std::string> arguments;
    for (const std::wstring& argument : win32::commandLineArguments()) {
        arguments.push_back(narrowArgument(argument));
    }
    return arguments;
}

bool isTerminal(Stream stream) {
    return isConsole(handleOf(stream));
}

bool writeText(Stream stream, const std::string& text) {
    const HANDLE handle = handleOf(stream);
    if (isConsole(handle)) {
        // The console shows its own characters, whatever its output code page.
        const std::wstring wide = win32::toWideForDisplay(text);
        for (std::size_t done = 0; done < wide.size();) {
            DWORD written = 0;
            const auto count = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 4096));
            if (!WriteConsoleW(handle, wide.data() + done, count, &written, nullptr) ||
                written == 0) {
                return streamFailed(GetLastError());
            }
            done += written;
        }
        return true;
    }
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        return text.empty() || streamFailed(ERROR_INVALID_HANDLE);
    }
    for (std::size_t done = 0; done < text.size();) {
        DWORD written = 0;
        const auto count = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1 << 20));
        if (!WriteFile(handle, text.data() + done, count, &written, nullptr) || written == 0) {
            return streamFailed(GetLastError());
        }
        done += written;
    }
    return true;
}

bool syncOutput() {
    const HANDLE output = handleOf(Stream::output);
    if (GetFileType(output) != FILE_TYPE_DISK || FlushFileBuffers(output)) {
        return true;
    }
    return streamFailed(GetLastError());
}

bool closeOutput() {
    // WriteFile reports a failure at once: nothing more is learnt by closing.
    return true;
}

std::string streamFailure() {
    return firstStreamError != ERROR_SUCCESS ? win32::errorText(firstStreamError) : "";
}

bool canPrompt() {
    const win32::KernelHandle input = openConsole(L"CONIN$");
    DWORD mode = 0;
    return input.valid() && GetConsoleMode(input.get(), &mode);
}

std::optional<std::string> readHiddenLine(const std::string& prompt) {
    const win32::KernelHandle input = openConsole(L"CONIN$");
    const win32::KernelHandle output = openConsole(L"CONOUT$");
    DWORD mode = 0;
    if (!input.valid() || !GetConsoleMode(input.get(), &mode)) {
        return std::nullopt;
    }
    const auto show = [&](const std::string& text) {
        const std::wstring wide = win32::toWideForDisplay(text);
        DWORD written = 0;
        WriteConsoleW(output.get(), wide.data(), static_cast<DWORD>(wide.size()), &written,
                      nullptr);
    };
    show(prompt);
    modeBeforePrompt = mode;
    promptInput = input.get();
    SetConsoleMode(input.get(),
                   (mode | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT) & ~ENABLE_ECHO_INPUT);
    std::wstring line;
    bool ended = false;
    for (;;) {
        wchar_t typed[256];
        DWORD got = 0;
        if (!ReadConsoleW(input.get(), typed, 256, &got, nullptr) || got == 0) {
            ended = true;
            break;
        }
        line.append(typed, got);
        if (line.find(L'\n') != std::wstring::npos) {
            break;
        }
    }
    SetConsoleMode(input.get(), mode);
    promptInput = nullptr;
    show("\n");  // the line break the hidden line did not show
    line = line.substr(0, line.find_first_of(L"\r\n"));
    // Ctrl+Z and Enter ends the console's input.
    if ((ended && line.empty()) || line == L"\x1a") {
        return std::nullopt;
    }
    return win32::fromWideForDisplay(line);
}

void clearLineOnInterrupt(std::size_t width) {
    progressWidth = width;
}

PathStyle pathStyle() {
    return PathStyle::windows;
}

bool isFolder(const std::string& name) {
    const std::optional<std::wstring> wide = win32::toWide(name);
    const DWORD attributes = wide ? GetFileAttributesW(wide->c_str()) : INVALID_FILE_ATTRIBUTES;
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool nameFits(const std::string& name) {
    return name.find('?') == std::string::npos;
}

std::unique_ptr<BinaryFile> systemFiles() {
    return std::make_unique<Win32BinaryFile>();
}

}  // namespace zel::cli
