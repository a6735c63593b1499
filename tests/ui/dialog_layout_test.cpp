// The main dialog as it stands after start-up: its sixteen controls, their order, geometry,
// styles and texts, the focus, the colours and the banner.
#include <gtest/gtest.h>

#include <iterator>
#include <optional>
#include <tuple>
#include <vector>

#include "tests/support/zel_steps.h"

namespace zel::test {
namespace {

using namespace ui;

struct ExpectedControl {
    int id;
    const char* className;
    const char* text;
    int x, y, width, height;
    DWORD style;
    DWORD exStyle;
};

// Creation order, which is also the order of the child windows.
const ExpectedControl expectedControls[] = {
    {loadSourceButton, "Button", "Load sourcefile", 5, 10, 120, 20, 0x50010000, 0},
    {chooseDestButton, "Button", "Choose destination", 5, 40, 120, 20, 0x50010000, 0},
    {codeButton, "Button", "Code file", 165, 10, 120, 20, 0x50010000, 0},
    {decodeButton, "Button", "Decode file", 165, 40, 120, 20, 0x50010000, 0},
    {quitButton, "Button", "Quit", 320, 10, 120, 20, 0x50010000, 0},
    {progressBar, "msctls_progress32", "", 5, 90, 390, 10, 0x50800000, 0},
    {sourceLabel, "Static", "Sourcefile :", 5, 125, 50, 10, 0x50000000, 0},
    {destLabel, "Static", "Destfile   :", 5, 140, 50, 10, 0x50000000, 0},
    {statusLabel, "Static", "Status     :", 5, 155, 50, 10, 0x50000000, 0},
    {keyLabel, "Static", "Key :", 5, 110, 50, 10, 0x50000000, 0},
    {sourceDisplay, "Static", "", 45, 125, 350, 10, 0x50001000, 0},
    {destDisplay, "Static", "", 45, 140, 350, 10, 0x50001000, 0},
    {statusDisplay, "Static", "Idle . . .", 45, 155, 350, 10, 0x50001000, 0},
    {keyDisplay, "Static", "", 45, 110, 350, 10, 0x50001000, 0},
    {bannerImage, "Static", "", 310, 40, 200, 50, 0x5000000E, 0},
    {keyEntry, "Edit", "", 5, 70, 390, 10, 0x50010080, WS_EX_CLIENTEDGE},
};

// The platform adjusts the frame of some controls after creation: the classic progress bar
// trades any edge for a static edge.
constexpr DWORD platformEdges = WS_EX_STATICEDGE;

// A hidden dialog in this process with the program's dialog font, to convert dialog units.
class UnitDialog {
public:
    UnitDialog() {
        // Style DS_CENTER | DS_SETFONT | DS_NOFAILCREATE | DS_3DLOOK (low word first), no
        // extended style, no items, at 0,0, 450 x 200 units, no menu, the dialog class, no
        // title, then the font: 8 points, "MS Sans Serif".
        std::vector<WORD> words = {0x0854, 0, 0, 0, 0, 0, 0, 450, 200, 0, 0, 0, 8};
        const wchar_t font[] = L"MS Sans Serif";
        words.insert(words.end(), std::begin(font), std::end(font));  // with its NUL
        const DLGPROC plain = [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; };
        // The allocation is aligned for any scalar, so for the DWORDs of the template too.
        window_.reset(CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                                 reinterpret_cast<LPCDLGTEMPLATEA>(words.data()),
                                                 nullptr, plain, 0));
    }

    RECT pixels(int x, int y, int width, int height) const {
        RECT area{x, y, x + width, y + height};
        MapDialogRect(window_.get(), &area);
        return area;
    }

private:
    OwnedWindow window_;
};

// A child's rectangle in its dialog's client coordinates.
RECT clientRectangle(HWND dialog, HWND child) {
    RECT area{};
    GetWindowRect(child, &area);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&area), 2);
    return area;
}

// One zel.exe for all cases, which only look at it.
class MainDialogLayout : public testing::Test {
protected:
    static void SetUpTestSuite() { zel_.emplace(); }
    static void TearDownTestSuite() { zel_.reset(); }
    // Whether the window shows the colour at the point (the screen may lag a paint).
    static bool shows(POINT at, COLORREF colour) {
        return waitUntil([&] { return screenPixel(zel_->window(), at) == colour; });
    }
    static inline std::optional<ZelUntilQuit> zel_;
};

TEST_F(MainDialogLayout, DialogWindowHasItsStyleSizeAndCaption) {
    const HWND dialog = zel_->window();
    EXPECT_EQ(className(dialog), "#32770");
    EXPECT_EQ(windowText(dialog), programTitle);
    const auto style = static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_STYLE));
    EXPECT_EQ(style & 0xFFFF, 0x854u);
    EXPECT_EQ(style & (WS_POPUP | WS_CHILD | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX |
                       WS_MAXIMIZEBOX),
              0u);
    EXPECT_EQ(style & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), nullptr);
    EXPECT_EQ(GetMenu(dialog), nullptr);

    // The template's size is the window's: the caption and border that the platform adds to
    // an overlapped window come out of it.
    RECT frame{};
    GetWindowRect(dialog, &frame);
    const RECT expected = UnitDialog().pixels(0, 0, 450, 200);
    EXPECT_EQ(frame.right - frame.left, expected.right);
    EXPECT_EQ(frame.bottom - frame.top, expected.bottom);
}

TEST_F(MainDialogLayout, ControlsHaveTheirIdsClassesTextsStylesAndRectangles) {
    const UnitDialog units;
    for (const ExpectedControl& expected : expectedControls) {
        SCOPED_TRACE("control " + std::to_string(expected.id));
        const HWND control = zel_->control(expected.id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(GetDlgCtrlID(control), expected.id);
        EXPECT_STRCASEEQ(className(control).c_str(), expected.className);
        EXPECT_EQ(windowText(control), expected.text);
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(control, GWL_STYLE)), expected.style);
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(control, GWL_EXSTYLE)) & ~platformEdges,
                  expected.exStyle);
        const RECT wanted = units.pixels(expected.x, expected.y, expected.width, expected.height);
        const RECT actual = clientRectangle(zel_->window(), control);
        if (expected.id == bannerImage) {
            // The picture control takes the size of its bitmap.
            EXPECT_EQ(actual.left, wanted.left);
            EXPECT_EQ(actual.top, wanted.top);
            RECT client{};
            GetClientRect(control, &client);
            EXPECT_EQ(client.right, 200);
            EXPECT_EQ(client.bottom, 50);
        } else {
            EXPECT_EQ(std::tie(actual.left, actual.top, actual.right, actual.bottom),
                      std::tie(wanted.left, wanted.top, wanted.right, wanted.bottom));
        }
    }
}

TEST_F(MainDialogLayout, ChildrenAreInCreationOrderAndTabStopsCycle) {
    std::vector<int> order;
    for (HWND child = GetWindow(zel_->window(), GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        order.push_back(GetDlgCtrlID(child));
    }
    std::vector<int> creationOrder;
    for (const ExpectedControl& expected : expectedControls) {
        creationOrder.push_back(expected.id);
    }
    EXPECT_EQ(order, creationOrder);

    std::vector<int> tabStops;
    HWND at = zel_->control(loadSourceButton);
    for (int i = 0; i < 6; ++i) {
        at = GetNextDlgTabItem(zel_->window(), at, FALSE);
        tabStops.push_back(GetDlgCtrlID(at));
    }
    EXPECT_EQ(tabStops, (std::vector<int>{chooseDestButton, codeButton, decodeButton, quitButton,
                                          keyEntry, loadSourceButton}));
}

TEST_F(MainDialogLayout, StartsIdleWithTheFocusOnLoadSourcefile) {
    EXPECT_EQ(zel_->text(statusDisplay), "Idle . . .");
    for (int id : {sourceDisplay, destDisplay, keyDisplay, keyEntry}) {
        EXPECT_EQ(zel_->text(id), "") << "control " << id;
    }
    for (int id = loadSourceButton; id <= quitButton; ++id) {
        EXPECT_TRUE(IsWindowEnabled(zel_->control(id))) << "button " << id;
    }
    EXPECT_EQ(progressPosition(*zel_, waitLimit), 0);
    EXPECT_TRUE(waitUntil([] { return zel_->focus() == zel_->control(loadSourceButton); }));
}

TEST_F(MainDialogLayout, BackgroundIsGreyAndLoadSourcefileLooksLikeTheOtherButtons) {
    const UnitDialog units;
    // Below the displays and right of the buttons nothing covers the dialog.
    const RECT freeArea = units.pixels(420, 150, 20, 40);
    const POINT inside{(freeArea.left + freeArea.right) / 2, (freeArea.top + freeArea.bottom) / 2};
    EXPECT_TRUE(shows(inside, RGB(186, 186, 186)))
        << std::hex << screenPixel(zel_->window(), inside);

    // A point of the face, away from the caption and the frame.
    auto facePixel = [](int id) {
        const RECT area = clientRectangle(zel_->window(), zel_->control(id));
        return screenPixel(zel_->window(), POINT{area.left + 6, area.top + 6});
    };
    EXPECT_NE(facePixel(loadSourceButton), RGB(255, 0, 0));
    EXPECT_EQ(facePixel(loadSourceButton), facePixel(codeButton));
}

TEST_F(MainDialogLayout, BannerShowsTheProgramsBitmap) {
    const HWND banner = zel_->control(bannerImage);
    DWORD_PTR image = 0;
    SendMessageTimeoutA(banner, STM_GETIMAGE, IMAGE_BITMAP, 0, SMTO_ABORTIFHUNG, 5000, &image);
    EXPECT_NE(image, 0u);

    // The bitmap as the program holds it in its resources, compared pixel by pixel on screen.
    const LoadedModule program = loadZelResources();
    ASSERT_TRUE(program.valid());
    const win32::Bitmap bitmap(static_cast<HBITMAP>(
        LoadImageA(program.get(), "IDB_BITMAP1", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    ASSERT_TRUE(bitmap.valid());
    DIBSECTION section{};
    ASSERT_EQ(GetObjectA(bitmap.get(), sizeof section, &section), static_cast<int>(sizeof section));
    EXPECT_EQ(section.dsBm.bmWidth, 200);
    EXPECT_EQ(section.dsBm.bmHeight, 50);
    EXPECT_EQ(section.dsBm.bmBitsPixel, 32);
    EXPECT_EQ(section.dsBmih.biCompression, static_cast<DWORD>(BI_RGB));

    const RECT area = clientRectangle(zel_->window(), banner);
    const auto* bits = static_cast<const uint8_t*>(section.dsBm.bmBits);
    for (const POINT& at : {POINT{0, 0}, POINT{100, 25}, POINT{40, 20}, POINT{199, 49}}) {
        // Bottom-up rows of blue, green, red, alpha.
        const uint8_t* pixel = bits + ((49 - at.y) * 200 + at.x) * 4;
        const COLORREF expected = RGB(pixel[2], pixel[1], pixel[0]);
        EXPECT_TRUE(shows(POINT{area.left + at.x, area.top + at.y}, expected))
            << "at " << at.x << "," << at.y;
    }
}

}  // namespace
}  // namespace zel::test
