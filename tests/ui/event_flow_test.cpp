// Clicks and commands reaching the dialog from outside, and how the program ends.
#include <gtest/gtest.h>

#include "tests/support/zel_steps.h"

namespace zel::test {
namespace {

using namespace ui;

TEST(EndingTheProgram, QuitEndsWithExitCodeZero) {
    ZelProcess zel;
    EXPECT_EQ(zel.quit(), 0u);
}

TEST(EndingTheProgram, SystemCloseCommandEndsLikeQuit) {
    ZelProcess zel;
    zel.post(WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(zel.waitForExit(), std::optional<DWORD>(0));
}

TEST(EndingTheProgram, PostedQuitMessageDoesNotEndTheProgram) {
    const ZelUntilQuit zel;
    PostThreadMessageA(zel.threadId(), WM_QUIT, 0, 0);
    PostMessageA(zel.window(), WM_QUIT, 0, 0);
    // An answer to a sent message would prove nothing (sent messages come before posted ones),
    // but posted ones are taken in the order they came: once the key entry holds characters
    // posted after them, the loop has taken both quit messages and gone on.
    ASSERT_TRUE(typeKey(zel, "42"));
    EXPECT_TRUE(zel.running());
    EXPECT_TRUE(zel.responds());
    EXPECT_EQ(zel.text(statusDisplay), "Idle . . .");
}

void expectNoSourceFileMessage(const ZelProcess& zel) {
    const auto box = zel.waitForDialog(infoTitle);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->owner, zel.window());
    // The box has an OK button only.
    EXPECT_NE(GetDlgItem(box->window, IDOK), nullptr);
    EXPECT_EQ(GetDlgItem(box->window, IDCANCEL), nullptr);
    // The dialog takes no input while its box is shown.
    EXPECT_FALSE(IsWindowEnabled(zel.window()));
    EXPECT_EQ(dismissInfo(zel), L"No sourcefile !");
}

TEST(JobsWithNothingChosen, CodeFileShowsNoSourcefile) {
    const ZelUntilQuit zel;
    zel.setText(keyDisplay, "123456789");
    zel.click(codeButton);
    expectNoSourceFileMessage(zel);
    EXPECT_TRUE(waitUntil([&] { return IsWindowEnabled(zel.window()) != 0; }));
    // A refused coding run changes nothing.
    EXPECT_EQ(zel.text(keyDisplay), "123456789");
    EXPECT_EQ(zel.text(statusDisplay), "Idle . . .");
}

TEST(JobsWithNothingChosen, DecodeFileShowsNoSourcefileAndEmptiesTheKey) {
    const ZelUntilQuit zel;
    zel.setText(keyDisplay, "123456789");
    zel.setText(keyEntry, "987654321");
    zel.click(decodeButton);
    expectNoSourceFileMessage(zel);
    EXPECT_EQ(zel.text(keyDisplay), "");
    EXPECT_EQ(zel.text(keyEntry), "987654321");
}

TEST(Commands, TypingIntoTheKeyEntryChangesNothing) {
    const ZelUntilQuit zel;
    ASSERT_TRUE(typeKey(zel, "12345"));
    // Each typed character sent EN_CHANGE (and EN_UPDATE) to the dialog; also a forged click
    // notification from the entry: the entry has no callback.
    zel.post(WM_COMMAND, MAKEWPARAM(keyEntry, BN_CLICKED),
             reinterpret_cast<LPARAM>(zel.control(keyEntry)));
    ASSERT_TRUE(zel.responds());
    EXPECT_TRUE(zel.shownDialogs().empty());
    EXPECT_EQ(zel.text(statusDisplay), "Idle . . .");
    EXPECT_EQ(zel.text(sourceDisplay), "");
    EXPECT_EQ(zel.text(destDisplay), "");
    EXPECT_EQ(zel.text(keyDisplay), "");
    EXPECT_TRUE(zel.running());
}

TEST(Commands, TheCallbackIsThatOfTheWindowTheCommandComesFrom) {
    const ZelUntilQuit zel;
    // The id names a control, the window is "Quit": only a click notification counts.
    zel.post(WM_COMMAND, MAKEWPARAM(codeButton, EN_CHANGE),
             reinterpret_cast<LPARAM>(zel.control(quitButton)));
    // An id that names no control: nothing, whatever the window.
    zel.post(WM_COMMAND, MAKEWPARAM(999, BN_CLICKED),
             reinterpret_cast<LPARAM>(zel.control(quitButton)));
    // The id of "Code file" from no window: nothing.
    zel.post(WM_COMMAND, MAKEWPARAM(codeButton, BN_CLICKED), 0);
    ASSERT_TRUE(zel.responds());
    EXPECT_TRUE(zel.running());
    EXPECT_TRUE(zel.shownDialogs().empty());

    // The id of the key entry, from the window of "Code file": the coding job runs.
    zel.post(WM_COMMAND, MAKEWPARAM(keyEntry, BN_CLICKED),
             reinterpret_cast<LPARAM>(zel.control(codeButton)));
    expectNoSourceFileMessage(zel);
}

}  // namespace
}  // namespace zel::test
