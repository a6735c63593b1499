// The dialog's parts that can be tested inside this process: the progress throttle, the texts
// and names in either code page, the choosers' answers and existence test, and the dialog's job
// host on a real (hidden) main dialog.
#include "ui/main_dialog.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <utility>

#include "jobs/texts.h"
#include "tests/support/recording_host.h"
#include "tests/support/zel_driver.h"
#include "ui/dialog_palette.h"
#include "ui/file_choosers.h"
#include "ui/held_thread.h"
#include "ui/progress_throttle.h"
#include "win32/text.h"

namespace zel::test {
namespace {

using namespace ui;

using namespace std::string_literals;

TEST(ProgressThrottle, StepsLikeTheBarFromEmptyToFullWithoutWrapping) {
    ProgressThrottle bar;
    bar.setBarWidth(580);
    bar.setRange(1, 1000);
    EXPECT_EQ(bar.position(), 1);
    bar.setStep(800);
    bar.stepIt(0);
    EXPECT_EQ(bar.position(), 801);
    bar.setStep(200);
    bar.stepIt(0);
    // The steps of a file add up to its top; past it the bar stays full.
    EXPECT_EQ(bar.position(), 1000);
    bar.stepIt(0);
    EXPECT_EQ(bar.position(), 1000);

    // The next file starts empty.
    bar.setRange(1, 300);
    EXPECT_EQ(bar.position(), 1);
    // A range whose top lies below its bottom: coerced as the bar does, and never moved.
    bar.setRange(1, 0);
    EXPECT_EQ(bar.position(), 0);
    bar.setStep(5);
    bar.stepIt(0);
    EXPECT_EQ(bar.position(), 0);
}

TEST(ProgressThrottle, ShowsOnlyVisibleChangesAndNoMoreOftenThanEvery50ms) {
    ProgressThrottle bar;
    bar.setBarWidth(100);
    bar.setRange(1, 100000);  // 1000 units per pixel
    bar.setStep(800);
    bar.shown(1000);
    EXPECT_FALSE(bar.stepIt(2000));  // 801: still pixel 0
    EXPECT_TRUE(bar.stepIt(2000));   // 1601: pixel 1, and 1 s since shown
    bar.shown(2000);
    EXPECT_FALSE(bar.stepIt(2010));  // 2401: pixel 2, but only 10 ms since shown
    EXPECT_TRUE(bar.pending());
    EXPECT_FALSE(bar.stepIt(2049));
    EXPECT_TRUE(bar.stepIt(2050));
    bar.shown(2050);
    EXPECT_FALSE(bar.pending());
}

TEST(ProgressThrottle, AStepChangeShowsWhatIsPending) {
    ProgressThrottle bar;
    bar.setBarWidth(100);
    bar.setRange(1, 1000);
    bar.setStep(800);
    bar.shown(0);
    EXPECT_FALSE(bar.setStep(800));  // unchanged
    EXPECT_FALSE(bar.setStep(700));  // changed, but the bar shows the position already
    bar.stepIt(10);
    EXPECT_FALSE(bar.setStep(700));
    EXPECT_TRUE(bar.setStep(0));  // the end of a file: the bar must show where it stands
}

TEST(SystemTexts, ShowTheSameInTheAnsiCodePageAndInUtf8) {
    // This program runs in Windows-1252 (an older Windows), zel.exe in UTF-8 (its manifest):
    // the table turned into either code page shows the same words.
    ASSERT_EQ(GetACP(), 1252u);
    const std::wstring notCoded = L"can\u00B4t decode, not a ZEL coded file !!!";
    convertTexts(win32::inProcessCodePage);
    EXPECT_EQ(texts().notCodedFile, "can\xB4t decode, not a ZEL coded file !!!");
    EXPECT_EQ(win32::toWide(texts().notCodedFile), notCoded);
    EXPECT_EQ(win32::toWide(texts().cantWriteDest), L"can\u00B4t write destfile !!");

    convertTexts([](std::string_view utf8) { return win32::fromUtf8(utf8, CP_UTF8); });
    EXPECT_EQ(texts().notCodedFile, "can\xC2\xB4t decode, not a ZEL coded file !!!");
    EXPECT_EQ(win32::toWide(texts().notCodedFile, CP_UTF8), notCoded);
    EXPECT_EQ(texts().infoTitle, ZEL_PROGRAM_TITLE " - Info");
}

// Names convert exactly or not at all: a name that came out changed, as a look-alike, '?' or
// U+FFFD, would name another file. Shown texts always convert.
TEST(SystemTexts, NamesConvertExactlyOrNotAtAll) {
    EXPECT_EQ(win32::toWide("caf\xE9 \x81"), L"caf\u00E9 \u0081");
    EXPECT_EQ(win32::fromWide(L"caf\u00E9 \u0081"), "caf\xE9 \x81");
    EXPECT_EQ(win32::toWide(""), L"");
    EXPECT_EQ(win32::fromWide(L"\u0100.txt"), std::nullopt);
    EXPECT_EQ(win32::fromWideForDisplay(L"\u0100.txt"), "A.txt");
    EXPECT_EQ(win32::fromWide(L"\u0414.txt"), std::nullopt);
    EXPECT_EQ(win32::fromWideForDisplay(L"\u0414.txt"), "?.txt");
    // Bytes that are no UTF-8, and a surrogate without its pair.
    EXPECT_EQ(win32::toWide("a\xFF", CP_UTF8), std::nullopt);
    EXPECT_EQ(win32::toWideForDisplay("a\xFF", CP_UTF8), L"a\uFFFD");
    EXPECT_EQ(win32::fromWide(std::wstring(L"a\xD800"), CP_UTF8), std::nullopt);
}

TEST(ChooserResult, SourceCountsThePiecesLessTheFolder) {
    const char one[] = "C:\\d\\a.txt\0\0";
    EXPECT_EQ(choiceOf(sourceChooserResult(one, sizeof one)), std::pair(1, "C:\\d\\a.txt\0"s));
    const char three[] = "C:\\d\0a\0b.bin\0c\0\0";
    EXPECT_EQ(choiceOf(sourceChooserResult(three, sizeof three)),
              std::pair(3, "C:\\d\0a\0b.bin\0c\0"s));
    const char none[] = "\0\0";
    EXPECT_EQ(choiceOf(sourceChooserResult(none, sizeof none)), std::pair(0, ""s));
    // A piece without its NUL is not taken.
    const char cut[] = {'C', ':', '\\', 'd', '\0', 'a', 'b'};
    EXPECT_EQ(choiceOf(sourceChooserResult(cut, sizeof cut)), std::pair(1, "C:\\d\0"s));
}

TEST(ChooserResult, DestinationIsOneNameWithoutItsNul) {
    const char name[] = "C:\\out\\x.bin\0\0";
    EXPECT_EQ(choiceOf(destinationChooserResult(name, sizeof name)),
              std::pair(1, "C:\\out\\x.bin"s));
    EXPECT_EQ(choiceOf(destinationChooserResult("\0", 1)), std::pair(0, ""s));
}

TEST(DestinationExists, FindsFilesFoldersAndWildcardMatches) {
    const TempFolder temporary;
    const std::string& folder = temporary.path();
    const std::string file = temporary / "present.txt";
    writeWholeFile(file, {});

    EXPECT_FALSE(destinationExists(""));
    EXPECT_TRUE(destinationExists(file));
    EXPECT_TRUE(destinationExists(folder));
    EXPECT_TRUE(destinationExists(folder + "\\*.txt"));
    EXPECT_FALSE(destinationExists(folder + "\\absent.txt"));
    EXPECT_FALSE(destinationExists(folder + "\\*.bin"));
}

// The dialog's answers to WM_CTLCOLORDLG and to WM_CTLCOLORBTN for "Load sourcefile": its own
// grey and red, or with high contrast the system's face colour; the text in the system's colours.
TEST(DialogPalette, OwnColoursGiveWayToTheSystemsWithHighContrast) {
    const HDC dc = CreateCompatibleDC(nullptr);
    DialogPalette palette;
    EXPECT_EQ(palette.paintDialog(dc), nullptr);
    const COLORREF face = GetSysColor(COLOR_3DFACE);
    for (const bool highContrast : {false, true}) {
        SCOPED_TRACE(highContrast ? "high contrast" : "own colours");
        palette.follow(highContrast);
        const auto expectPainted = [dc](HBRUSH brush, COLORREF background, COLORREF text) {
            LOGBRUSH painted{};
            ASSERT_NE(GetObjectW(brush, sizeof painted, &painted), 0);
            EXPECT_EQ(painted.lbColor, background);
            EXPECT_EQ(GetBkColor(dc), background);
            EXPECT_EQ(GetTextColor(dc), text);
        };
        expectPainted(palette.paintDialog(dc), highContrast ? face : RGB(186, 186, 186),
                      GetSysColor(COLOR_WINDOWTEXT));
        expectPainted(palette.paintLoadSource(dc), highContrast ? face : RGB(255, 0, 0),
                      GetSysColor(COLOR_BTNTEXT));
    }
    DeleteDC(dc);
}

// A dialog that misses a control must not start: a window-creation hook refuses the key entry,
// the last control made.
TEST(MainDialogBuild, FailsWhenAControlCannotBeCreated) {
    static const HOOKPROC refuseEdits = [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (code == HCBT_CREATEWND) {
            const auto* created = reinterpret_cast<const CBT_CREATEWNDA*>(lParam);
            if (className(reinterpret_cast<HWND>(wParam)) == "Edit" &&
                created->lpcs->hwndParent != nullptr) {
                return 1;
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    };
    const HHOOK hook = SetWindowsHookExA(WH_CBT, refuseEdits, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    MainDialog dialog(GetModuleHandleA(nullptr),
                      static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    const bool built = dialog.buildMainDialog();
    UnhookWindowsHookEx(hook);
    EXPECT_FALSE(built);
    EXPECT_EQ(dialog.state().mainDialog, nullptr);
}

// The real main dialog, built hidden in this process (without the program's resources, so
// without its banner), to drive its job host directly.
class DialogJobHostTest : public testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
        ASSERT_TRUE(dialog_.buildMainDialog());
        // Shown, so that the bar really paints what it is sent.
        ShowWindow(window(), SW_SHOWNOACTIVATE);
        UpdateWindow(window());
    }
    void TearDown() override { DestroyWindow(window()); }

    HWND window() { return dialog_.state().mainDialog; }
    HWND control(int id) { return GetDlgItem(window(), id); }
    int barPosition() {
        return static_cast<int>(SendMessageA(control(progressBar), PBM_GETPOS, 0, 0));
    }

    MainDialog dialog_{GetModuleHandleA(nullptr),
                       static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))};
    JobHost& host_ = dialog_.host();
};

TEST_F(DialogJobHostTest, ButtonsAndTextsAreThoseOfTheDialog) {
    for (const bool enabled : {false, true}) {
        host_.setButtonsEnabled(enabled);
        for (int id = loadSourceButton; id <= quitButton; ++id) {
            EXPECT_EQ(IsWindowEnabled(control(id)) != 0, enabled) << id;
        }
        EXPECT_TRUE(IsWindowEnabled(control(keyEntry)));
    }

    const std::string longKey(5000, '7');
    SetWindowTextA(control(keyEntry), longKey.c_str());
    EXPECT_EQ(host_.readKeyEntryText(), longKey);
    host_.setKeyEntryText("");
    EXPECT_EQ(host_.readKeyEntryText(), "");

    host_.showStatus("Now coding file... 1/ 2");
    host_.showSourceText("C:\\d\0a\0b\0"s);
    host_.showKeyText("050100255");
    EXPECT_EQ(windowText(control(statusDisplay)), "Now coding file... 1/ 2");
    EXPECT_EQ(windowText(control(sourceDisplay)), "C:\\d");
    EXPECT_EQ(windowText(control(keyDisplay)), "050100255");
}

// Counts the messages that move the progress bar, from the bar's own window procedure.
WNDPROC barProcedure = nullptr;
int barMoves = 0;
LRESULT CALLBACK countingBarProcedure(HWND bar, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == PBM_SETPOS || message == PBM_STEPIT || message == PBM_DELTAPOS) {
        ++barMoves;
    }
    return CallWindowProcA(barProcedure, bar, message, wParam, lParam);
}

TEST_F(DialogJobHostTest, ProgressOfManyChunksMovesTheBarOncePerPixelAndEndsFull) {
    // 200,000 chunks: stepped one by one the shown bar takes about 1 ms a step under Wine, so
    // the bar is moved at most once for each of its pixels.
    constexpr int32_t chunks = 200000;
    const HWND bar = control(progressBar);
    barMoves = 0;
    barProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(countingBarProcedure)));
    host_.setProgressRange(1, chunks * 800);
    EXPECT_EQ(barPosition(), 1);
    host_.setProgressStep(800);
    for (int32_t i = 0; i < chunks; ++i) {
        host_.stepProgress();
    }
    host_.setProgressStep(0);
    SetWindowLongPtrA(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(barProcedure));
    EXPECT_EQ(barPosition(), chunks * 800);
    EXPECT_EQ(SendMessageA(bar, PBM_GETSTEP, 0, 0), 0);
    RECT pixels{};
    GetClientRect(bar, &pixels);
    EXPECT_LE(barMoves, pixels.right + 2);

    // The next file starts with an empty bar; a short one ends full as well.
    host_.setProgressRange(1, 1000);
    EXPECT_EQ(barPosition(), 1);
    host_.setProgressStep(800);
    host_.stepProgress();
    host_.setProgressStep(200);
    EXPECT_EQ(barPosition(), 801);
    host_.stepProgress();
    host_.setProgressStep(0);
    EXPECT_EQ(barPosition(), 1000);
}

TEST_F(DialogJobHostTest, AJobKeepsTheWindowPaintedButTakesNoInput) {
    host_.setProgressRange(1, 1000000);
    host_.setProgressStep(800);
    // Input waiting in the queue while the job runs, and a display in need of paint.
    PostMessageA(control(codeButton), WM_LBUTTONDOWN, MK_LBUTTON, 0);
    PostMessageA(window(), WM_COMMAND, MAKEWPARAM(codeButton, BN_CLICKED),
                 reinterpret_cast<LPARAM>(control(codeButton)));
    InvalidateRect(control(statusDisplay), nullptr, TRUE);

    // At most every 100 ms the steps let the paint through.
    const auto limit = std::chrono::steady_clock::now() + waitLimit;
    while (GetUpdateRect(control(statusDisplay), nullptr, FALSE) &&
           std::chrono::steady_clock::now() < limit) {
        host_.stepProgress();
    }
    EXPECT_FALSE(GetUpdateRect(control(statusDisplay), nullptr, FALSE));

    // Both input messages are still queued, untouched.
    MSG message;
    EXPECT_TRUE(
        PeekMessageA(&message, control(codeButton), WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE));
    EXPECT_TRUE(PeekMessageA(&message, window(), WM_COMMAND, WM_COMMAND, PM_REMOVE));
}

// A call that waits for the disk runs on a second thread; meanwhile the dialog's thread answers
// a message another thread sends and repaints, but leaves input queued. The call here ends only
// once it has seen both.
TEST_F(DialogJobHostTest, AWaitForTheDiskAnswersAndPaintsButTakesNoInput) {
    const HWND status = control(statusDisplay);
    PostMessageA(control(codeButton), WM_LBUTTONDOWN, MK_LBUTTON, 0);
    InvalidateRect(status, nullptr, TRUE);
    std::atomic<bool> answered{false};
    std::thread sender([&] {
        DWORD_PTR ignored = 0;
        answered = SendMessageTimeoutA(window(), WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored) != 0;
    });

    bool seen = false;
    runWhileAnswering([&] {
        seen = waitUntil([&] { return answered && !GetUpdateRect(status, nullptr, FALSE); });
    });
    sender.join();
    EXPECT_TRUE(seen);
    MSG message;
    EXPECT_TRUE(
        PeekMessageA(&message, control(codeButton), WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE));
}

// A wait that fails leaves the dialog's thread waiting all the same: the work, which writes its
// result last, finishes only once the wait has failed three times, and a way out at the first
// failure would return before that. (Static: such a way out would leave the work writing.)
TEST(RunWhileAnswering, AWaitThatFailsStillReturnsOnlyWhenTheWorkIsDone) {
    static std::atomic<int> failedWaits{0};
    static std::atomic<bool> resultWritten{false};
    const MessageWait failing = [](DWORD, const HANDLE*, DWORD, DWORD, DWORD) -> DWORD {
        ++failedWaits;
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    };
    runWhileAnswering([] { resultWritten = waitUntil([] { return failedWaits >= 3; }); }, failing);
    EXPECT_TRUE(resultWritten);
}

}  // namespace
}  // namespace zel::test
