// The dialog as people meet it who use a screen reader or the keyboard alone: what oleacc reads
// of each control from this process before and after a coding run, the events that announce the
// key, copying the key with Ctrl+C and the key display's menu, and the colours after a change
// of the system's theme.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/assistive_use.h"
#include "tests/support/zel_steps.h"
#include "win32/text.h"

namespace zel::test {
namespace {

using namespace ui;

struct Heard {
    int id;
    std::wstring name;
    std::optional<std::wstring> value;  // nothing: the control has none
};

// Checks what oleacc reads of each control, and prints it: the log shows what is heard.
void expectHeard(const ZelProcess& zel, const std::vector<Heard>& expected) {
    for (const Heard& control : expected) {
        const auto heard = hear(zel.control(control.id));
        ASSERT_TRUE(heard.has_value()) << "control " << control.id;
        const auto shown = [](const std::optional<std::wstring>& text) {
            return text ? "\"" + win32::fromWideForDisplay(*text) + "\"" : "(none)";
        };
        std::printf("  %2d: name %s, value %s\n", control.id, shown(heard->name).c_str(),
                    shown(heard->value).c_str());
        EXPECT_EQ(heard->name, control.name) << "control " << control.id;
        if (control.id != progressBar) {  // Windows gives the percentage, Wine nothing
            EXPECT_EQ(heard->value, control.value) << "control " << control.id;
        }
    }
}

class ScreenReader : public ZelInFolder {};

TEST_F(ScreenReader, NamesAndValuesBeforeAndAfterACodingRunAndTheKeyIsAnnounced) {
    const ZelProcess& zel = startIn({{L"letter.txt", pseudoRandomBytes(3000, 1)}});
    std::printf("at the start:\n");
    expectHeard(zel, {{loadSourceButton, L"Load sourcefile", {}},
                      {chooseDestButton, L"Choose destination", {}},
                      {codeButton, L"Code file", {}},
                      {decodeButton, L"Decode file", {}},
                      {quitButton, L"Quit", {}},
                      {progressBar, L"Progress", {}},
                      {sourceDisplay, L"Sourcefile", {}},
                      {destDisplay, L"Destfile", {}},
                      {statusDisplay, L"Status: Idle . . .", {}},
                      {keyDisplay, L"Key", {}},
                      {keyEntry, L"Key to decode (nine digits)", L""}});

    ASSERT_TRUE(chooseSources(zel, L"letter.txt"));
    ASSERT_TRUE(chooseDestination(zel, L"letter.zel"));
    ASSERT_TRUE(typeKey(zel, "12"));
    std::printf("with the files chosen and a key typed:\n");
    expectHeard(zel, {{sourceDisplay, L"Sourcefile: " + (folder_ / L"letter.txt"), {}},
                      {destDisplay, L"Destfile: " + (folder_ / L"letter.zel"), {}},
                      {statusDisplay, L"Status: Files to crypt: 1", {}},
                      {keyEntry, L"Key to decode (nine digits)", L"12"}});

    const WinEventListener listener(zel);
    const std::string key = codeChosenFiles(zel);
    ASSERT_TRUE(isKeyText(key)) << key;
    std::printf("after the coding run:\n");
    expectHeard(zel, {{sourceDisplay, L"Sourcefile", {}},
                      {destDisplay, L"Destfile", {}},
                      {statusDisplay, L"Status: Idle . . .", {}},
                      {keyDisplay, L"Key: " + wideOf(key), {}}});
    EXPECT_TRUE(listener.waitFor(EVENT_OBJECT_NAMECHANGE, zel.control(keyDisplay)));
    EXPECT_TRUE(listener.waitFor(EVENT_OBJECT_LIVEREGIONCHANGED, zel.control(keyDisplay)));
    EXPECT_TRUE(listener.waitFor(EVENT_OBJECT_NAMECHANGE, zel.control(statusDisplay)));
}

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

// zel.exe in front with the focus on "Load sourcefile"; a copy is seen in the clipboard's count
// of changes, which a copy of the same text raises too.
class CopyingTheKey : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(bringToFront(zel_)); }
    // Ctrl+C, then Tab: once the focus has moved on, Ctrl+C has been dealt with. The text
    // copied, or nothing.
    std::optional<std::wstring> pressCtrlC() {
        const HWND focus = zel_.focus();
        const DWORD changes = GetClipboardSequenceNumber();
        pressKey('C', true);
        pressKey(VK_TAB);
        EXPECT_TRUE(waitUntil([&] { return zel_.focus() != focus; }));
        return GetClipboardSequenceNumber() != changes ? std::optional(clipboardText())
                                                       : std::nullopt;
    }
    void showKey() { zel_.setText(keyDisplay, narrowOf(key_)); }
    static bool menuShown() {
        const HWND menu = FindWindowW(L"#32768", nullptr);
        return menu != nullptr && IsWindowVisible(menu);
    }

    ZelUntilQuit zel_;
    const std::wstring key_ = L"050100255";
};

TEST_F(CopyingTheKey, NothingIsCopiedBeforeAKeyIsShown) {
    EXPECT_EQ(pressCtrlC(), std::nullopt);
    const DWORD changes = GetClipboardSequenceNumber();
    openContextMenu(zel_, keyDisplay);
    ASSERT_TRUE(waitUntil(menuShown));
    pressKey('C');  // "Copy key" is greyed
    pressKey(VK_ESCAPE);
    ASSERT_TRUE(waitUntil([] { return !menuShown(); }));
    EXPECT_EQ(GetClipboardSequenceNumber(), changes);
}

TEST_F(CopyingTheKey, CtrlCCopiesTheKeyWhereverTheFocusIsButFromASelection) {
    showKey();
    EXPECT_EQ(pressCtrlC(), key_);
    ASSERT_TRUE(typeKey(zel_, "12"));
    ASSERT_TRUE(focusControl(zel_, keyEntry));
    SendMessageW(zel_.control(keyEntry), EM_SETSEL, 2, 2);
    EXPECT_EQ(pressCtrlC(), key_);
    ASSERT_TRUE(focusControl(zel_, keyEntry));
    SendMessageW(zel_.control(keyEntry), EM_SETSEL, 0, 1);
    EXPECT_EQ(pressCtrlC(), std::wstring(L"1"));
    // Nothing else changed.
    EXPECT_EQ(zel_.text(keyEntry), "12");
    EXPECT_EQ(zel_.wideText(keyDisplay), key_);
    EXPECT_EQ(zel_.text(statusDisplay), idleStatus);
    EXPECT_TRUE(zel_.shownDialogs().empty());
}

TEST_F(CopyingTheKey, TheKeyDisplaysMenuCopiesTheKey) {
    showKey();
    openContextMenu(zel_, keyDisplay);
    ASSERT_TRUE(waitUntil(menuShown));
    pressKey('C');  // the access key of "Copy key"
    EXPECT_TRUE(waitUntil([&] { return !menuShown() && clipboardText() == key_; }));
}

}  // namespace
}  // namespace zel::test
