// Files handed to ZEL from Explorer: the names on the command line (what "Send To" and "Open
// with" pass) and those of a drop on the window. They are chosen as the source chooser would
// have chosen them, or refused with an information box.
#pragma once

#include "win32/unique_handle.h"  // <windows.h> first

#include <shellapi.h>

#include <string>
#include <vector>

#include "jobs/job_host.h"
#include "ui/ui_state.h"

namespace zel::ui {

// A drop's handle; its end tells the system the drop has been dealt with.
struct DropHandleTraits {
    using Handle = HDROP;
    static Handle none() { return nullptr; }
    static bool valid(Handle handle) { return handle != nullptr; }
    static bool close(Handle handle) {
        DragFinish(handle);
        return true;
    }
};
using DropHandle = win32::UniqueHandle<DropHandleTraits>;

// The names of the files and folders dropped.
std::vector<std::wstring> droppedNames(const DropHandle& drop);

// Makes each name absolute against the current folder, looks at what it names, and stores and
// shows the choice as the source chooser does; on a refusal shows why and changes nothing.
// No names: nothing happens.
void chooseExplorerFiles(UiState& state, JobHost& host, const std::vector<std::wstring>& names);

}  // namespace zel::ui
