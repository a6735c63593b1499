// What a screen reader hears from the dialog (Microsoft Active Accessibility, which Narrator
// and NVDA read for Win32 controls). The buttons and labels keep the names the system gives
// them; the controls that take input or show a result answer with names of their own, read
// live from what they show, and the key display says when a key appears.
#pragma once

#include "win32/unique_handle.h"  // <windows.h> first

namespace zel::ui {

// Makes the named controls of the main dialog answer screen readers with their own names, and
// marks the key display as a polite live region where the system has live regions.
void nameControlsForScreenReaders(HWND dialog);

// Tells listening screen readers that a display's text, and with it its name, has changed;
// for a key that has appeared, also that the live region changed, so that it is read out.
void tellNameChanged(HWND display);
void announceShownKey(HWND keyDisplay);

}  // namespace zel::ui
