// Files handed to ZEL from Explorer: the names on the command line (what "Send To" and "Open
// with" pass) and those of a drop on the window. They are chosen as the source chooser would
// have chosen them, or refused with an information box.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "jobs/job_host.h"
#include "ui/explorer_choice.h"
#include "ui/ui_state.h"

namespace zel::ui {

// Owns a drop's handle; its end tells the system the drop has been dealt with.
class DropHandle {
public:
    explicit DropHandle(HDROP drop) : drop_(drop) {}
    ~DropHandle() {
        if (drop_ != nullptr) {
            DragFinish(drop_);
        }
    }
    DropHandle(DropHandle&& other) noexcept : drop_(other.drop_) { other.drop_ = nullptr; }
    DropHandle& operator=(DropHandle&& other) noexcept {
        if (this != &other) {
            DropHandle(std::move(other)).swap(*this);
        }
        return *this;
    }
    DropHandle(const DropHandle&) = delete;
    DropHandle& operator=(const DropHandle&) = delete;

    HDROP get() const { return drop_; }

private:
    void swap(DropHandle& other) noexcept { std::swap(drop_, other.drop_); }
    HDROP drop_;
};

// The program's arguments after its own name, read wide so that names in any script arrive.
std::vector<std::wstring> commandLineNames();
// The names of the files and folders dropped.
std::vector<std::wstring> droppedNames(const DropHandle& drop);

// Each name made absolute against the current folder and put into the process's code page,
// with what it names; a file whose name the code page cannot hold exactly is unusable.
std::vector<NamedPath> namedPaths(const std::vector<std::wstring>& names);

// Makes each name absolute against the current folder, looks at what it names, and stores and
// shows the choice as the source chooser does; on a refusal shows why and changes nothing.
// No names: nothing happens.
void chooseExplorerFiles(UiState& state, JobHost& host, const std::vector<std::wstring>& names);

}  // namespace zel::ui
