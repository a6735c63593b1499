// The dialog's own colours: a grey background, and a red brush for "Load sourcefile" (which a
// classic button paints over). With a high-contrast theme they give way to the system's
// colours, and they follow the theme when it changes while the dialog runs.
#pragma once

#include "win32/unique_handle.h"  // <windows.h> first

namespace zel::ui {

// Whether Windows runs with a high-contrast theme now.
bool highContrastOn();

class DialogPalette {
public:
    // Takes the colours for this setting and the system's colours now.
    void follow(bool highContrast);

    // The answers to WM_CTLCOLORDLG and to WM_CTLCOLORBTN for "Load sourcefile": the
    // background brush, with the device context's text and background colours set; null
    // before follow().
    HBRUSH paintDialog(HDC dc) const { return paint(dc, dialog_); }
    HBRUSH paintLoadSource(HDC dc) const { return paint(dc, loadSource_); }

private:
    struct Colours {
        COLORREF text = 0;
        COLORREF background = 0;
        win32::Brush brush;
    };
    static HBRUSH paint(HDC dc, const Colours& colours);

    Colours dialog_;
    Colours loadSource_;
};

// Answers WM_SYSCOLORCHANGE and WM_SETTINGCHANGE: a change of the system's colours or of high
// contrast takes the palette to it and repaints the dialog.
void followSystemColours(HWND dialog, DialogPalette& palette, UINT message, WPARAM wParam);

}  // namespace zel::ui
