// The command line's system on Windows: zelc.exe, a console program. Under its manifest the
// process's code page is UTF-8 (Windows 10 1903 and later), so names in any script arrive;
// before that it is the ANSI code page.
#include "cli/system.h"

#include "win32/unique_handle.h"  // <windows.h> first

#include <algorithm>

#include "jobs/texts.h"
#include "win32/named_paths.h"
#include "win32/text.h"
#include "win32/win32_binary_file.h"

namespace zel::cli {

namespace {

// The arguments as they came, wide, and as the program reads them: a name that the code page
// cannot hold comes out changed, and is found again by that narrow form, so that it is refused
// as such rather than taken for another file.
std::vector<std::wstring> wideArguments;
std::vector<std::string> narrowArguments;

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

}  // namespace

std::vector<std::string> startProgram(int, char**) {
    convertTexts(win32::inProcessCodePage);
    // Ctrl+C, Ctrl+Break and the console's closing end the process: the unfinished output goes
    // first, also one that is being written through and renamed at that moment, which the
    // system would not remove with the process.
    SetConsoleCtrlHandler(
        [](DWORD) -> BOOL {
            discardUnfinishedOutputs();
            // Ended here, as the default handler would, so that the job does not go on to
            // report the output it has lost.
            ExitProcess(STATUS_CONTROL_C_EXIT);
        },
        TRUE);
    wideArguments = win32::commandLineArguments();
    for (const std::wstring& argument : wideArguments) {
        narrowArguments.push_back(win32::fromWideForDisplay(argument));
    }
    return narrowArguments;
}

bool isTerminal(Stream stream) {
    return isConsole(handleOf(stream));
}

void writeText(Stream stream, const std::string& text) {
    const HANDLE handle = handleOf(stream);
    if (isConsole(handle)) {
        // The console shows its own characters, whatever its output code page.
        const std::wstring wide = win32::toWideForDisplay(text);
        for (std::size_t done = 0; done < wide.size();) {
            DWORD written = 0;
            const auto count = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 4096));
            if (!WriteConsoleW(handle, wide.data() + done, count, &written, nullptr) ||
                written == 0) {
                return;
            }
            done += written;
        }
        return;
    }
    for (std::size_t done = 0; done < text.size();) {
        DWORD written = 0;
        const auto count = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1 << 20));
        if (!WriteFile(handle, text.data() + done, count, &written, nullptr) || written == 0) {
            return;  // nowhere left to say it
        }
        done += written;
    }
}

std::optional<std::string> readHiddenLine(const std::string& prompt) {
    writeText(Stream::error, prompt);
    const HANDLE input = handleOf(Stream::input);
    DWORD mode = 0;
    GetConsoleMode(input, &mode);
    SetConsoleMode(input, (mode | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT) & ~ENABLE_ECHO_INPUT);
    std::wstring line;
    bool ended = false;
    for (;;) {
        wchar_t typed[256];
        DWORD got = 0;
        if (!ReadConsoleW(input, typed, 256, &got, nullptr) || got == 0) {
            ended = true;
            break;
        }
        line.append(typed, got);
        if (line.find(L'\n') != std::wstring::npos) {
            break;
        }
    }
    SetConsoleMode(input, mode);
    writeText(Stream::error, "\n");  // the line break the hidden line did not show
    line = line.substr(0, line.find_first_of(L"\r\n"));
    if (ended && line.empty()) {
        return std::nullopt;
    }
    return win32::fromWideForDisplay(line);
}

PathStyle pathStyle() {
    return PathStyle::windows;
}

std::vector<NamedPath> namedPaths(const std::vector<std::string>& names) {
    std::vector<NamedPath> paths;
    for (const std::string& name : names) {
        const auto given = std::find(narrowArguments.begin(), narrowArguments.end(), name);
        const std::optional<std::wstring> wide =
            given != narrowArguments.end() ? wideArguments[given - narrowArguments.begin()]
                                           : win32::toWide(name);
        paths.push_back(wide ? win32::namedPaths({*wide}).front()
                             : NamedPath{name, NameKind::unusable});
    }
    return paths;
}

std::unique_ptr<BinaryFile> systemFiles() {
    return std::make_unique<Win32BinaryFile>();
}

}  // namespace zel::cli
