#include "ui/explorer_files.h"

#include "win32/named_paths.h"

#include "ui/file_choosers.h"

namespace zel::ui {

std::vector<std::wstring> droppedNames(const DropHandle& drop) {
    std::vector<std::wstring> names;
    const UINT count = DragQueryFileW(drop.get(), 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileW(drop.get(), i, nullptr, 0);
        std::wstring name(length + 1, L'\0');
        name.resize(DragQueryFileW(drop.get(), i, name.data(), length + 1));
        names.push_back(std::move(name));
    }
    return names;
}

void chooseExplorerFiles(UiState& state, JobHost& host, const std::vector<std::wstring>& names) {
    const SourceChoice choice =
        sourceChoice(win32::namedPaths(names), chooserBufferSize, PathStyle::windows);
    if (!choice.refusal.empty()) {
        host.showInfo(choice.refusal);
    } else if (choice.count > 0) {
        storeSourceChoice(state, host, ChooserResult{choice.count, choice.selection});
    }
}

}  // namespace zel::ui
