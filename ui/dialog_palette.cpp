#include "ui/dialog_palette.h"

namespace zel::ui {

namespace {

constexpr COLORREF dialogBackground = RGB(186, 186, 186);
constexpr COLORREF loadSourceBackground = RGB(255, 0, 0);

BOOL CALLBACK tellSystemColoursChanged(HWND child, LPARAM) {
    SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
    return TRUE;
}

}  // namespace

bool highContrastOn() {
    HIGHCONTRASTW setting{};
    setting.cbSize = sizeof setting;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof setting, &setting, 0) &&
           (setting.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

void DialogPalette::follow(bool highContrast) {
    // The system's own pairs of colours, as it paints a dialog and a button itself.
    const COLORREF face = GetSysColor(COLOR_3DFACE);
    dialog_.text = GetSysColor(COLOR_WINDOWTEXT);
    dialog_.background = highContrast ? face : dialogBackground;
    loadSource_.text = GetSysColor(COLOR_BTNTEXT);
    loadSource_.background = highContrast ? face : loadSourceBackground;
    for (Colours* colours : {&dialog_, &loadSource_}) {
        colours->brush.reset(CreateSolidBrush(colours->background));
    }
}

HBRUSH DialogPalette::paint(HDC dc, const Colours& colours) {
    if (!colours.brush) {
        return nullptr;
    }
    SetTextColor(dc, colours.text);
    SetBkColor(dc, colours.background);
    return colours.brush.get();
}

void followSystemColours(HWND dialog, DialogPalette& palette, UINT message, WPARAM wParam) {
    if (message == WM_SETTINGCHANGE && wParam != SPI_SETHIGHCONTRAST) {
        return;
    }
    palette.follow(highContrastOn());
    if (message == WM_SYSCOLORCHANGE) {
        // Common controls (the progress bar) learn of new colours from their parent alone.
        EnumChildWindows(dialog, tellSystemColoursChanged, 0);
    }
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace zel::ui
