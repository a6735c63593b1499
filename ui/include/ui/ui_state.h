// The state the dialog owns: its window, through which every control is reached by its
// identifier, and the choices and texts shared with the choosers and the jobs.
#pragma once

#include "jobs/shared_state.h"
#include "zel_version.h"
#include "win32/unique_handle.h"

namespace zel::ui {

// The identifiers of the main dialog's controls.
enum ControlId : int {
    loadSourceButton = 1,
    chooseDestButton = 2,
    codeButton = 3,
    decodeButton = 4,
    quitButton = 5,
    sourceLabel = 6,
    destLabel = 7,
    statusLabel = 8,
    keyLabel = 9,
    sourceDisplay = 10,
    destDisplay = 11,
    statusDisplay = 12,
    keyDisplay = 13,
    bannerImage = 14,
    progressBar = 15,
    keyEntry = 16,
};

struct UiState {
    HWND mainDialog = nullptr;
    SharedState shared;
};

inline constexpr char programTitle[] = ZEL_PROGRAM_TITLE;

}  // namespace zel::ui
