// What a person does with zel.exe beyond single clicks: picking files in the platform's
// open-file and save-file dialogs, answering the information box, waiting for a job to end,
// typing a key, and looking at the progress bar. Built on ZelProcess; every wait has a limit.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "zel_driver.h"

namespace zel::test {

// The dialog's controls, by identifier.
namespace control {
inline constexpr int loadSourceButton = 1;
inline constexpr int chooseDestButton = 2;
inline constexpr int codeButton = 3;
inline constexpr int decodeButton = 4;
inline constexpr int quitButton = 5;
inline constexpr int sourceDisplay = 10;
inline constexpr int destDisplay = 11;
inline constexpr int statusDisplay = 12;
inline constexpr int keyDisplay = 13;
inline constexpr int progressBar = 15;
inline constexpr int keyEntry = 16;
}  // namespace control

inline constexpr char sourceChooserTitle[] = "Select sourcefile";
inline constexpr char destinationChooserTitle[] = "Select destination";
inline constexpr char infoBoxTitle[] = "ZEL 0.23 - Info";

// A job on a big file may run for many seconds.
inline constexpr milliseconds jobLimit{120000};

// The text in this program's code page as UTF-16.
std::wstring toWide(const std::string& text);

// Clicks "Load sourcefile", types the names into the chooser's file-name box and presses
// Open; waits until the chooser has closed. Several files: "\"a.txt\" \"b.txt\"".
bool chooseSources(const ZelProcess& zel, const std::wstring& names);
// Clicks "Load sourcefile" and cancels the chooser.
bool cancelSourceChooser(const ZelProcess& zel);
// Clicks "Choose destination", types the name and presses Save. Waits until the chooser has
// closed or the information box refuses the name (it is then left open).
bool chooseDestination(const ZelProcess& zel, const std::wstring& name);
// Cancels the destination chooser that is open now (or opens within the limit).
bool cancelDestinationChooser(const ZelProcess& zel);

// The information box that is shown now (or within the limit): its message as UTF-16.
struct InfoBox {
    HWND window = nullptr;
    std::wstring text;
};
std::optional<InfoBox> waitForInfo(const ZelProcess& zel, milliseconds limit = waitLimit);
// Waits for the information box, presses OK and waits until it has gone; its text, or
// nothing when no box came.
std::optional<std::wstring> dismissInfo(const ZelProcess& zel, milliseconds limit = waitLimit);

// Waits until a job has ended: the status is idle, the destination display is empty (a job
// always empties it) and "Code file" takes clicks again.
bool waitForJobEnd(const ZelProcess& zel, milliseconds limit = jobLimit);

// Types the key into the key entry (WM_CHAR), replacing what it held.
void typeKey(const ZelProcess& zel, const std::string& key);

// The progress bar's position, asked with a time limit; nothing when it did not answer.
std::optional<int> progressPosition(const ZelProcess& zel, milliseconds limit);

// The pixels of a window's client area as they are on the screen, row by row.
struct Capture {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;
    COLORREF at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
Capture captureClientArea(HWND window);

}  // namespace zel::test
