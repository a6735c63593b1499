// ZEL: codes files and decodes them again, from one dialog window.
#include "ui/main_dialog.h"

#include <commctrl.h>

#include "jobs/texts.h"
#include "ui/explorer_files.h"
#include "win32/com_apartment.h"
#include "win32/named_paths.h"
#include "win32/text.h"

namespace {

// "MS Sans Serif", 8 point, normal weight, ANSI character set: the dialog font.
HFONT createDialogFont() {
    const HDC screen = GetDC(nullptr);
    const int height = -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif");
}

// The exit code: 0, or 1 when the dialog could not be built.
int runProgram(HINSTANCE instance) {
    const zel::win32::ComApartment com;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    const zel::win32::Font font(createDialogFont());

    zel::ui::MainDialog dialog(instance, font.get());
    if (!dialog.buildMainDialog()) {
        return 1;
    }
    // Files named on the command line ("Send To", "Open with") are chosen at once; the window is
    // shown first, so that a refusal has it behind it.
    const std::vector<std::wstring> names = zel::win32::commandLineArguments();
    if (!names.empty()) {
        ShowWindow(dialog.state().mainDialog, SW_SHOW);
        dialog.takeExplorerFiles(names);
    }
    dialog.runMainDialog();
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    zel::convertTexts(zel::win32::inProcessCodePage);
    const int exitCode = runProgram(instance);
    // COM is released when runProgram returns; nothing else is left to end.
    ExitProcess(static_cast<UINT>(exitCode));
}
