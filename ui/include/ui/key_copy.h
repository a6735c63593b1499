// Copying the key the dialog shows, so that nobody has to copy nine digits out by hand: Ctrl+C
// anywhere in the dialog, and "Copy key" in the key display's context menu for the mouse. The
// clipboard gets the nine digits alone; while no key is shown nothing is copied.
#pragma once

#include "win32/unique_handle.h"  // <windows.h> first

namespace zel::ui {

// Takes Ctrl+C (the character it types) for any window of the dialog and copies the shown key;
// in the key entry with text selected the entry copies its selection as usual. True when the
// message has been taken.
bool takeCopyKeystroke(HWND dialog, const MSG& message);

// Answers WM_CONTEXTMENU: on the key display (at a point of the screen, as a mouse click
// gives it) shows the menu with "Copy key", enabled while a key is shown. True when shown.
bool showKeyMenu(HWND dialog, LPARAM screenPoint);

// Puts the shown key on the clipboard; false when no key is shown or the clipboard cannot be
// had (the system's warning sound says so).
bool copyShownKey(HWND dialog);

}  // namespace zel::ui
