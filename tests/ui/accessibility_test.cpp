// The dialog as people meet it who use a screen reader or the keyboard alone: the colours after a
// change of the system's theme.
#include <gtest/gtest.h>

#include "tests/support/zel_steps.h"

namespace zel::test {
namespace {

using namespace ui;

// Wine 8 keeps high contrast off (SPI_SETHIGHCONTRAST fails): the dialog keeps its grey through
// a change of theme. Where the test can turn high contrast on, it takes the system's face colour.
TEST(HighContrast, TheDialogFollowsAChangeOfTheme) {
    const ZelUntilQuit zel;
    HIGHCONTRASTW setting{sizeof setting, HCF_HIGHCONTRASTON, nullptr};
    const bool turnedOn = SystemParametersInfoW(SPI_SETHIGHCONTRAST, 0, &setting, SPIF_SENDCHANGE);
    zel.post(WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    zel.post(WM_SYSCOLORCHANGE, 0, 0);
    RECT client{};
    GetClientRect(zel.window(), &client);
    const POINT corner{client.right - 4, client.bottom - 4};  // nothing covers the dialog there
    const COLORREF expected = turnedOn ? GetSysColor(COLOR_3DFACE) : RGB(186, 186, 186);
    EXPECT_TRUE(zel.responds() &&
                waitUntil([&] { return screenPixel(zel.window(), corner) == expected; }));
    setting.dwFlags = 0;
    SystemParametersInfoW(SPI_SETHIGHCONTRAST, 0, &setting, SPIF_SENDCHANGE);
}

}  // namespace
}  // namespace zel::test
