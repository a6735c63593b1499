#include "ui/file_choosers.h"

#include <commdlg.h>

#include <vector>

#include "jobs/texts.h"

namespace zel::ui {

namespace {

constexpr DWORD sourceFlags =
    OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_ENABLEHOOK | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
constexpr DWORD destinationFlags =
    OFN_EXPLORER | OFN_ENABLEHOOK | OFN_NOCHANGEDIR | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST;
constexpr int chooserOffset = 30;

// Moves the chooser 30 pixels right of and below the main dialog's corner and brings it to the
// front. The hook runs in the chooser's child dialog; the chooser is its parent.
UINT_PTR CALLBACK placeChooser(HWND child, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* request = reinterpret_cast<const OPENFILENAMEA*>(lParam);
        const HWND chooser = GetParent(child);
        RECT corner{};
        GetWindowRect(reinterpret_cast<HWND>(request->lCustData), &corner);
        SetWindowPos(chooser, nullptr, corner.left + chooserOffset, corner.top + chooserOffset, 0,
                     0, SWP_NOSIZE | SWP_NOZORDER);
        SetForegroundWindow(chooser);
    }
    return 0;
}

enum class ChooserKind { open, save };

// Opens one chooser; the buffer holds its answer when it returns true.
bool runChooser(ChooserKind kind, HWND owner, const char* title, DWORD flags,
                std::vector<char>& buffer) {
    char startFolder[MAX_PATH + 1] = {};
    GetCurrentDirectoryA(MAX_PATH, startFolder);
    buffer.assign(chooserBufferSize, '\0');

    OPENFILENAMEA request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    request.lpstrFilter = "*.*\0*.*\0";
    request.nFilterIndex = 1;
    request.lpstrFile = buffer.data();
    request.nMaxFile = static_cast<DWORD>(buffer.size());
    request.lpstrInitialDir = startFolder;
    request.lpstrTitle = title;
    request.Flags = flags;
    request.lCustData = reinterpret_cast<LPARAM>(owner);
    request.lpfnHook = placeChooser;
    return (kind == ChooserKind::save ? GetSaveFileNameA(&request) : GetOpenFileNameA(&request)) !=
           0;
}

}  // namespace

ChooserResult sourceChooserResult(const char* buffer, std::size_t size) {
    ChooserResult result;
    int pieces = 0;
    std::size_t at = 0;
    while (at < size && buffer[at] != '\0') {
        std::size_t end = at;
        while (end < size && buffer[end] != '\0') {
            ++end;
        }
        if (end == size) {
            break;  // no NUL ends the piece: the buffer was not filled as expected
        }
        result.text.append(buffer + at, end - at + 1);
        ++pieces;
        at = end + 1;
    }
    result.count = pieces <= 1 ? pieces : pieces - 1;
    return result;
}

ChooserResult destinationChooserResult(const char* buffer, std::size_t size) {
    ChooserResult result;
    std::size_t end = 0;
    while (end < size && buffer[end] != '\0') {
        ++end;
    }
    result.text.assign(buffer, end);
    result.count = result.text.empty() ? 0 : 1;
    return result;
}

bool destinationExists(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    WIN32_FIND_DATAA found{};
    const win32::FindHandle search(FindFirstFileA(path.c_str(), &found));
    return search.valid();
}

void chooseSource(UiState& state, JobHost& host) {
    std::vector<char> buffer;
    ChooserResult chosen;
    if (runChooser(ChooserKind::open, state.mainDialog, "Select sourcefile", sourceFlags, buffer)) {
        chosen = sourceChooserResult(buffer.data(), buffer.size());
    }
    storeSourceChoice(state, host, chosen);
}

void storeSourceChoice(UiState& state, JobHost& host, const ChooserResult& chosen) {
    state.shared.sourceSelection = chosen.text;
    if (chosen.count > 0) {
        host.showSourceText(state.shared.sourceSelection);
    }
    state.shared.sourceCount = static_cast<int16_t>(chosen.count);
    state.shared.statusMessage =
        texts().filesToCryptPrefix + " " + std::to_string(state.shared.sourceCount);
    host.showStatus(state.shared.statusMessage);
}

void chooseDestination(UiState& state, JobHost& host) {
    for (;;) {
        std::vector<char> buffer;
        ChooserResult chosen;
        if (runChooser(ChooserKind::save, state.mainDialog, "Select destination", destinationFlags,
                       buffer)) {
            chosen = destinationChooserResult(buffer.data(), buffer.size());
        }
        state.shared.destinationPath = chosen.text;
        if (chosen.count > 0) {
            host.showDestinationText(state.shared.destinationPath);
        }
        if (!destinationExists(state.shared.destinationPath)) {
            return;
        }
        host.showInfo(texts().fileAlreadyExists);
        state.shared.destinationPath.clear();
    }
}

}  // namespace zel::ui
